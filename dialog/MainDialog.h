// What both tools' main dialogs do alike, without their window: the cabinet list, the
// report text, and the progress window and message boxes of a running run, which the
// dialog follows as one of its subscribers (the log is the other). Each tool's dialog
// (Scrutel/ScrutelDlg, Mendora/MendoraDlg) derives from it and adds its own flow; the
// window (win32/DialogWindow) only forwards its events here and shows what it is told
// through IDialogView.
#pragma once

#include "CabinetCatalogue.h"
#include "CabinetSession.h"
#include "CheckHost.h"
#include "DialogView.h"
#include "EventLog.h"
#include "MainDialogIds.h"
#include "RunEvents.h"
#include "RunLog.h"
#include "RunServices.h"
#include "ToolProfile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The progress text of a phase on one cabinet: "キャビネット: <name>", then on the second
// line what is being done (ANSI).
std::string CabinetProgressText(const std::string& name, const std::string& doing);

// What a main dialog reaches beyond its window; the programs pass the real ones
// (win32/ToolMain), the tests their doubles. The runs' yield is the dialog's own.
struct DialogServices {
    RunServices run;
    ILog& log;
    IEventLog& events;
};

class CMainDialog : public IRunEvents {
public:
    // logTexts: the tool's lines of its runs' phases.
    CMainDialog(const PhaseLogTexts& logTexts, IDialogView& view, CServerInventory& inventory,
                DialogServices services);
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    // The window's events. Initialise runs once the controls exist: the cabinets are
    // loaded and listed.
    virtual void Initialise();
    virtual void Ok() = 0;                  // button 1
    virtual void Command(int /*button*/) {} // any other button
    virtual void UpdateOkButton() = 0;      // a list's selection changed

    const std::string& Report() const { return report_; }
    std::string LoadText(int id) const { return services_.run.loadText(id); }

    // A run's events, as the dialog shows them.
    void RunBegun(int steps) override { BeginProgress(steps); }
    void StepDone(int step) override;
    void PhaseBegun(RunPhase phase, const std::string& name) override;
    void ReportAppended(const std::string& text) override { AppendReport(text); }
    void Failed(const RunFailure& failure) override;

protected:
    // What a run is given: the services with the dialog's yield, and the subscribers of its
    // events (the log, then the dialog).
    const RunServices& Services() const { return runServices_; }
    IRunEvents& Subscribers() { return subscribers_; }

    // Appends to the report text and shows the whole report at once.
    void AppendReport(const std::string& text);
    // Refreshes the report's edit from the report text.
    void RefreshDialog();
    // Pushes the current text of the running phase's progress window again.
    void RefreshProgress();

    // Initialisation in its parts, for a dialog that adds its own between them.
    void LoadCabinets();
    void AddCabinetColumns();
    // One row per cabinet of server entry 0: its name, running or stopped, and its index.
    void FillCabinetList();
    // Copies of the selected cabinets' records, from the top of the list down.
    std::vector<CabinetRecord> SelectedCabinets() const;

    // Replaces the whole report text and shows it.
    void SetReport(const std::string& text);

    // The progress window of the running phase for a number of steps: created, at step 0,
    // shown. It lives until EndProgress or the next BeginProgress.
    IProgressWindow& BeginProgress(int steps);
    IProgressWindow& Progress() { return *progress_; }
    // Moves the bar to a step. More steps than the bar's 16-bit range are scaled down to
    // it, never wrapped: the last step fills the bar.
    void SetProgressStep(int step);
    // Sets the text and pushes it; RefreshProgress pushes it again.
    void SetProgressText(const std::string& text);
    void EndProgress();
    // Hides the progress window of the run that ended, if one began, and lets go of it.
    void HideProgress();

    // Logs in to the cabinet and opens its database, the second also after a failed login,
    // so that each failure is told.
    CCabinetSession OpenCabinetSession(const CabinetRecord& record);

    IDialogView& view_;
    CServerInventory& inventory_;
    DialogServices services_;

private:
    void YieldNow();

    RunServices runServices_;
    CRunLog runLog_;
    CRunEventFan subscribers_;
    std::string report_;
    // What the report's edit shows: the report up to shownLength_, unless the report was
    // set anew since.
    std::size_t shownLength_ = 0;
    bool reportReplaced_ = false;
    std::unique_ptr<IProgressWindow> progress_;
    int progressSteps_ = 0;
    std::string progressText_;
};
