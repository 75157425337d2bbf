// The progress window of both programs: a modeless dialog created from the program's own
// template (ProgressDlg.rc.inc; resource 135 in Scrutel, 133 in Mendora). It has no button
// the user can reach and its Close command is greyed: a phase cannot be cancelled.
#pragma once

#include "Progress.h"
#include "Win32Handles.h"

#include <windows.h>

#include <string>

class CProgressDlg : public IProgressWindow {
public:
    static constexpr int kTextId = 1004;
    static constexpr int kBarId = 1002;

    // Creates the window at once, hidden and centred over its owner: parent, or the
    // thread's active window (the main dialog) when parent is null. instance holds the
    // template (null: the program itself).
    explicit CProgressDlg(int dialogId, HWND parent = nullptr, HINSTANCE instance = nullptr);
    ~CProgressDlg() override;
    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;

    // Null when the template could not be created; every operation then does nothing.
    HWND Handle() const { return window_.Get(); }

    void Show() override;
    void SetRange(int max) override;
    void SetPosition(int pos) override;
    void SetText(const std::string& ansi) override;
    void Repaint() override;
    void Hide() override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CentreOverOwner();

    CWindow window_;
    std::string text_;
};
