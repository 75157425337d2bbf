// The progress window of the long phases (check runs, check phases, repair runs) and the
// message pump that keeps every window of the thread painted while they run. The phases
// see the window only through IProgressWindow: CProgressDlg (platform/win32/ProgressDlg.h)
// in the programs, FakeProgressWindow (testsupport/FakeProgress.h) in the tests.
#pragma once

#include <string>

class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;

    virtual void Show() = 0;
    // Bar range 0 ... max.
    virtual void SetRange(int max) = 0;
    virtual void SetPosition(int pos) = 0;
    // Two-line text in the ANSI code page: "\r\n" starts the second line.
    virtual void SetText(const std::string& ansi) = 0;
    // Paints the window at once, without waiting for the message pump.
    virtual void Repaint() = 0;
    // Hides the window for good: a phase creates a new one for its next run.
    virtual void Hide() = 0;
};

// Removes and dispatches (translated, without dialog keyboard handling) every message
// waiting in the thread's queue, for all windows, and returns as soon as the queue is empty;
// it never waits. A WM_QUIT found in the queue is put back for the caller's own loop.
// Natively (tests) there is no queue and it returns at once.
void PumpMessages();
