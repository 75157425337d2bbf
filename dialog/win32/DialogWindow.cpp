#include "DialogWindow.h"

#include "ApplicationShell.h"
#include "ProgressDlg.h"
#include "Text.h"

#include <cstdio>

bool HandleSessionEnd(UINT message, WPARAM wParam, bool blocked,
                      const std::function<void()>& sessionEnded, LRESULT& result) {
    if (message == WM_QUERYENDSESSION) {
        result = blocked ? FALSE : TRUE;
        return true;
    }
    if (message != WM_ENDSESSION)
        return false;
    result = 0;
    if (wParam) { // not on the query: the end may still be cancelled then
        if (sessionEnded)
            sessionEnded();
        ExitProcess(kExitSessionEnded);
    }
    return true;
}

CDialogWindow::CDialogWindow(const ToolProfile& profile, DialogFactory makeDialog,
                             std::function<void()> sessionEnded)
    : profile_(profile), makeDialog_(std::move(makeDialog)),
      sessionEnded_(std::move(sessionEnded)) {}

void CDialogWindow::Run() {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(profile_.mainDialogId), nullptr,
                    DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialogWindow::Initialise(HWND dialog) {
    dialog_ = dialog;
    SetText(IDC_VERSION, VersionText());
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    icon_ = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TOOL));
    SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    images_ = std::make_unique<CImageList>(instance, std::vector<int>{IDI_STOPPED, IDI_RUNNING});
    List(IDC_CABINET_LIST).SetSmallImages(images_->Handle());
    presenter_ = makeDialog_(*this);
    presenter_->Initialise();
}

// A button only acts while it can be seen and pressed: Enter and Escape reach the dialog
// as buttons 1 and 2 even when those are hidden or disabled.
void CDialogWindow::Clicked(int control) {
    const HWND button = Item(control);
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return;
    if (control == kButton2)
        End(); // button 2 ends the dialog, whatever its label reads
    else if (control == kButton1)
        presenter_->Ok();
    else
        presenter_->Command(control);
}

INT_PTR CALLBACK CDialogWindow::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = reinterpret_cast<CDialogWindow*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG:
        self = reinterpret_cast<CDialogWindow*>(lParam);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Initialise(dialog);
        return TRUE;
    case WM_NOTIFY:
        if (self != nullptr && self->presenter_ &&
            reinterpret_cast<const NMHDR*>(lParam)->code == LVN_ITEMCHANGED)
            self->presenter_->UpdateOkButton();
        return FALSE;
    case WM_COMMAND:
        if (self == nullptr || !self->presenter_ || HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        self->Clicked(LOWORD(wParam));
        return TRUE;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION: {
        LRESULT result = 0;
        HandleSessionEnd(message, wParam, self != nullptr && self->sessionEndBlocked_,
                         self != nullptr ? self->sessionEnded_ : std::function<void()>(), result);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_QUERYDRAGICON:
        return self != nullptr ? reinterpret_cast<INT_PTR>(self->icon_) : 0;
    case WM_DESTROY:
        if (self != nullptr)
            self->presenter_.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

void CDialogWindow::SetText(int control, const std::string& ansi) {
    SetDlgItemTextA(dialog_, control, ansi.c_str());
}

// The text goes in as the selection at the end (select all puts the caret there, the -1
// drops the selection). Selection and view are put back as they were: a text that is set
// shows its top and nothing of what the user chose to look at moves. While the edit works,
// it does not paint; it is painted once at the end, the part that is in view.
void CDialogWindow::AppendText(int control, std::string_view ansi) {
    const HWND edit = Item(control);
    if (edit == nullptr)
        return;
    // EM_REPLACESEL obeys the edit's text limit (30,000 characters unless set), which
    // setting the whole text never did.
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    const bool shown = (GetWindowLongA(edit, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown) // WM_SETREDRAW TRUE would show a hidden edit
        SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT firstLine = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    const std::string text(ansi);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(edit, EM_SETSEL, start, end);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SendMessageA(edit, EM_LINESCROLL, 0,
                 firstLine - SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    if (shown) {
        SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(edit, nullptr, TRUE);
    }
}

void CDialogWindow::Show(int control, bool shown) {
    ShowWindow(Item(control), shown ? SW_SHOW : SW_HIDE);
}

void CDialogWindow::Enable(int control, bool enabled) {
    EnableWindow(Item(control), enabled ? TRUE : FALSE);
}

void CDialogWindow::Focus(int control) {
    SetFocus(Item(control));
}

RECT CDialogWindow::ClientRect(int control) const {
    RECT place{};
    GetWindowRect(Item(control), &place);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The gap is the one the template keeps between buttons 1 and 2, so the layout holds in
// whatever size the dialog font gives the buttons.
void CDialogWindow::PlaceLeftOf(int control, int neighbour) {
    const RECT place = ClientRect(control);
    const LONG gap = ClientRect(kButton2).left - ClientRect(kButton1).right;
    const LONG x = ClientRect(neighbour).left - gap - (place.right - place.left);
    SetWindowPos(Item(control), nullptr, x, place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialogWindow::ScrollToEnd(int control) {
    const HWND edit = Item(control);
    const LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    SendMessageA(edit, EM_LINESCROLL, 0, lines);
}

void CDialogWindow::AddColumn(int list, const std::string& title, int width) {
    List(list).AddColumn(title, width);
}

void CDialogWindow::SetFullRowSelect(int list) {
    List(list).SetFullRowSelect();
}

void CDialogWindow::ClearList(int list) {
    List(list).Clear();
}

void CDialogWindow::AddItem(int list, const std::vector<std::string>& texts, int image, int data) {
    List(list).AddItem(texts, image, data);
}

std::vector<int> CDialogWindow::SelectedItems(int list) const {
    return List(list).SelectedData();
}

void CDialogWindow::ClearSelection(int list) {
    List(list).ClearSelection();
}

void CDialogWindow::EnableCloseCommand(bool enabled) {
    EnableMenuItem(GetSystemMenu(dialog_, FALSE), SC_CLOSE,
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CDialogWindow::SetWaitCursor(bool wait) {
    SetCursor(LoadCursorA(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

int CDialogWindow::ShowMessage(const std::string& text, unsigned type) {
    return ToolMessageBox(dialog_, text, type);
}

void CDialogWindow::PumpMessages() {
    ::PumpMessages();
}

void CDialogWindow::Repaint() {
    RedrawWindow(dialog_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::unique_ptr<IProgressWindow> CDialogWindow::CreateProgressWindow() {
    return std::make_unique<CProgressDlg>(profile_.progressDialogId, dialog_);
}

void CDialogWindow::End() {
    EndDialog(dialog_, kButton2);
}

// Windows shows the reason to a user who shuts down meanwhile (where it is implemented).
void CDialogWindow::BlockSessionEnd(const std::string& reason) {
    sessionEndBlocked_ = true;
    const std::u16string wide = Utf16FromAnsi(reason);
    ShutdownBlockReasonCreate(dialog_, reinterpret_cast<LPCWSTR>(wide.c_str()));
}

void CDialogWindow::AllowSessionEnd() {
    sessionEndBlocked_ = false;
    ShutdownBlockReasonDestroy(dialog_);
}
