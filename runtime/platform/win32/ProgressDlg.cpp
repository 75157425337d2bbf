#include "ProgressDlg.h"

#include <commctrl.h>

namespace {

void RegisterProgressClass() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
}

} // namespace

CProgressDlg::CProgressDlg(int dialogId, HWND parent, HINSTANCE instance) {
    RegisterProgressClass();
    HWND owner = parent != nullptr ? parent : GetActiveWindow();
    window_.Reset(CreateDialogParamA(instance != nullptr ? instance : GetModuleHandleA(nullptr),
                                     MAKEINTRESOURCEA(dialogId), owner, DialogProc, 0));
    if (!window_.Valid())
        return;
    SetDlgItemTextA(window_.Get(), kTextId, "");
    CentreOverOwner();
}

CProgressDlg::~CProgressDlg() = default;

INT_PTR CALLBACK CProgressDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        return TRUE;
    case WM_COMMAND:
        // OK and Cancel end the dialog as in any dialog (its OK button is never shown).
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(window, LOWORD(wParam));
            ShowWindow(window, SW_HIDE);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        return TRUE; // greyed Close: Alt+F4 does nothing either
    default:
        return FALSE;
    }
}

void CProgressDlg::CentreOverOwner() {
    RECT area{};
    HWND owner = GetWindow(window_.Get(), GW_OWNER);
    if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner) ||
        !GetWindowRect(owner, &area)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    GetWindowRect(window_.Get(), &own);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG x = area.left + (area.right - area.left - width) / 2;
    LONG y = area.top + (area.bottom - area.top - height) / 2;

    // Stay on the screen when the owner lies partly outside it.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        if (x + width > work.right)
            x = work.right - width;
        if (y + height > work.bottom)
            y = work.bottom - height;
        if (x < work.left)
            x = work.left;
        if (y < work.top)
            y = work.top;
    }
    SetWindowPos(window_.Get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressDlg::Show() {
    if (!window_.Valid())
        return;
    ShowWindow(window_.Get(), SW_SHOW);
    UpdateWindow(window_.Get());
}

void CProgressDlg::SetRange(int max) {
    if (window_.Valid())
        SendDlgItemMessageA(window_.Get(), kBarId, PBM_SETRANGE32, 0, max);
}

void CProgressDlg::SetPosition(int pos) {
    if (window_.Valid())
        SendDlgItemMessageA(window_.Get(), kBarId, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void CProgressDlg::SetText(const std::string& ansi) {
    if (ansi == text_)
        return;
    text_ = ansi;
    if (window_.Valid())
        SetDlgItemTextA(window_.Get(), kTextId, text_.c_str());
}

void CProgressDlg::Repaint() {
    if (window_.Valid())
        RedrawWindow(window_.Get(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CProgressDlg::Hide() {
    if (!window_.Valid())
        return;
    EndDialog(window_.Get(), IDOK);
    ShowWindow(window_.Get(), SW_HIDE);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to handle: leave it for the loop that runs the program.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
