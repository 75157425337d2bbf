// The window of either tool's main dialog. It is passive: it forwards the dialog's events
// (initialisation, button clicks, selection changes) to the tool's CMainDialog and shows
// what that tells it through IDialogView. What both windows carry alike it sets up itself:
// the program's icon, the running and stopped images of the cabinet list, and the version
// text from the program's own version resource.
#pragma once

#include "ListView.h"
#include "MainDialog.h"

#include <windows.h>

#include <functional>
#include <memory>

class CDialogWindow : public IDialogView {
public:
    using DialogFactory = std::function<std::unique_ptr<CMainDialog>(IDialogView&)>;

    // sessionEnded runs when the user's session ends under the dialog; the process ends
    // right after it.
    CDialogWindow(const ToolProfile& profile, DialogFactory makeDialog,
                  std::function<void()> sessionEnded);
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;

    // Shows the profile's main dialog modally; returns when it has ended.
    void Run();

    // IDialogView
    void SetText(int control, const std::string& ansi) override;
    void AppendText(int control, std::string_view ansi) override;
    void Show(int control, bool shown) override;
    void Enable(int control, bool enabled) override;
    void Focus(int control) override;
    void PlaceLeftOf(int control, int neighbour) override;
    void ScrollToEnd(int control) override;
    void AddColumn(int list, const std::string& title, int width) override;
    void SetFullRowSelect(int list) override;
    void ClearList(int list) override;
    void AddItem(int list, const std::vector<std::string>& texts, int image, int data) override;
    std::vector<int> SelectedItems(int list) const override;
    void ClearSelection(int list) override;
    void EnableCloseCommand(bool enabled) override;
    void SetWaitCursor(bool wait) override;
    int ShowMessage(const std::string& text, unsigned type) override;
    void PumpMessages() override;
    void Repaint() override;
    std::unique_ptr<IProgressWindow> CreateProgressWindow() override;
    void End() override;
    void BlockSessionEnd(const std::string& reason) override;
    void AllowSessionEnd() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise(HWND dialog);
    void Clicked(int control);
    HWND Item(int control) const { return GetDlgItem(dialog_, control); }
    RECT ClientRect(int control) const;
    CListView List(int control) const { return CListView(Item(control)); }

    const ToolProfile& profile_;
    DialogFactory makeDialog_;
    std::function<void()> sessionEnded_;
    bool sessionEndBlocked_ = false;
    HWND dialog_ = nullptr;
    HICON icon_ = nullptr;
    std::unique_ptr<CImageList> images_;
    std::unique_ptr<CMainDialog> presenter_;
};

// "Version a.b.c.d": the fixed file version of the running program.
std::string VersionText();

// What a window of the tool answers to the end of the user's session: WM_QUERYENDSESSION
// is refused while blocked; on a WM_ENDSESSION that ends the session, sessionEnded runs and
// the process ends (Windows would end it at any moment after the message). True when the
// message was one of the two, with its answer in result.
bool HandleSessionEnd(UINT message, WPARAM wParam, bool blocked,
                      const std::function<void()>& sessionEnded, LRESULT& result);
