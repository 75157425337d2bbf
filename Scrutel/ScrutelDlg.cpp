#include "ScrutelDlg.h"

#include "ScrutelRes.h"
#include "ScrutelRun.h"

#include "ApplicationShell.h"
#include "ProgressDlg.h"
#include "SqliQuery.h"
#include "Text.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>

namespace {

class CScrutelDlg : public IScrutelView {
public:
    CScrutelDlg(HWND dialog, CServerInventory& inventory)
        : dialog_(dialog), list_(GetDlgItem(dialog, IDC_CABINET_LIST)),
          run_(
              *this, inventory, LoadResourceText,
              [](const CabinetRecord& r) {
                  return CSqlServerSession(r.databaseHost, r.databaseUser, r.databasePassword);
              },
              [](const std::string& statement, std::string& output) {
                  return RunSqliQuery(512, statement, output);
              }) {}

    ~CScrutelDlg() override {
        if (images_ != nullptr)
            ImageList_Destroy(images_);
    }
    CScrutelDlg(const CScrutelDlg&) = delete;
    CScrutelDlg& operator=(const CScrutelDlg&) = delete;

    void Initialise() {
        SetDlgItemTextA(dialog_, IDC_VERSION, VersionText().c_str());
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        const HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SCRUTEL));
        SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        images_ = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR32, 0, 2);
        ImageList_AddIcon(images_, LoadIconA(instance, MAKEINTRESOURCEA(IDI_STOPPED)));
        ImageList_AddIcon(images_, LoadIconA(instance, MAKEINTRESOURCEA(IDI_RUNNING)));
        ListView_SetImageList(list_, images_, LVSIL_SMALL);
        AddColumn(0, Ansi("キャビネット名"), 250);
        AddColumn(1, Ansi("状態"), 80);
        run_.Initialise();
    }

    void ItemChanged() { run_.UpdateOkButton(); }
    void Ok() { run_.RunCheck(); }

    // IScrutelView
    void ClearList() override { ListView_DeleteAllItems(list_); }
    void AddListItem(const std::string& name, int image, const std::string& state,
                     int data) override {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = ListView_GetItemCount(list_);
        item.pszText = const_cast<char*>(name.c_str());
        item.iImage = image;
        item.lParam = data;
        const int index = static_cast<int>(
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(state.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&sub));
    }
    std::vector<int> SelectedItems() const override {
        std::vector<int> data;
        for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
             i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
            LVITEMA item{};
            item.mask = LVIF_PARAM;
            item.iItem = i;
            SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            data.push_back(static_cast<int>(item.lParam));
        }
        return data;
    }
    void EnableOk(bool enabled) override { EnableWindow(GetDlgItem(dialog_, IDOK), enabled); }
    void ShowReportView() override {
        ShowWindow(GetDlgItem(dialog_, IDOK), SW_HIDE);
        SetDlgItemTextA(dialog_, IDCANCEL, Ansi("閉じる").c_str());
        EnableWindow(GetDlgItem(dialog_, IDCANCEL), FALSE);
        ShowWindow(list_, SW_HIDE);
        const HWND report = GetDlgItem(dialog_, IDC_REPORT);
        ShowWindow(report, SW_SHOW);
        SetFocus(report);
    }
    void ShowReport(const std::string& report) override {
        SetDlgItemTextA(dialog_, IDC_REPORT, report.c_str());
    }
    void EnableClose(bool enabled) override {
        EnableMenuItem(GetSystemMenu(dialog_, FALSE), SC_CLOSE,
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        EnableWindow(GetDlgItem(dialog_, IDCANCEL), enabled);
    }
    void SetWaitCursor(bool wait) override {
        SetCursor(LoadCursorA(nullptr, wait ? IDC_WAIT : IDC_ARROW));
    }
    int ShowMessage(const std::string& text, unsigned type) override {
        return ToolMessageBox(dialog_, text, type);
    }
    void PumpMessages() override { ::PumpMessages(); }
    std::unique_ptr<IProgressWindow> CreateProgressWindow() override {
        return std::make_unique<CProgressDlg>(IDD_PROGRESS, dialog_);
    }

private:
    void AddColumn(int index, const std::string& title, int width) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<char*>(title.c_str());
        SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&column));
    }

    // "Version a.b.c.d" from the program's own version resource.
    static std::string VersionText() {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        std::vector<char> block(size);
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data()) ||
            !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length))
            return "Version";
        char text[64];
        std::snprintf(text, sizeof text, "Version %u.%u.%u.%u",
                      static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                      static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                      static_cast<unsigned>(HIWORD(info->dwFileVersionLS)),
                      static_cast<unsigned>(LOWORD(info->dwFileVersionLS)));
        return text;
    }

    HWND dialog_;
    HWND list_;
    HIMAGELIST images_ = nullptr;
    CScrutelRun run_;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CScrutelDlg*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        self = new CScrutelDlg(dialog, *reinterpret_cast<CServerInventory*>(lParam));
        SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Initialise();
        return TRUE;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (self != nullptr && header->idFrom == IDC_CABINET_LIST &&
            header->code == LVN_ITEMCHANGED)
            self->ItemChanged();
        return FALSE;
    }
    case WM_COMMAND:
        if (self == nullptr)
            return FALSE;
        if (LOWORD(wParam) == IDOK) {
            self->Ok();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            if (IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)))
                EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        delete self;
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void RunScrutelDialog(CServerInventory& inventory) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCRUTEL_DIALOG), nullptr,
                    DialogProc, reinterpret_cast<LPARAM>(&inventory));
}
