// What both tools' main dialogs do alike, without their window: the cabinet list, the
// report text, the progress window of a running phase, the session of one cabinet, and the
// host the checks run in. Each tool's dialog (Scrutel/ScrutelDlg, Mendora/MendoraDlg)
// derives from it and adds its own flow; the window (win32/DialogWindow) only forwards its
// events here and shows what it is told through IDialogView.
#pragma once

#include "CabinetCatalogue.h"
#include "CabinetSession.h"
#include "CheckHost.h"
#include "DialogView.h"
#include "EventLog.h"
#include "MainDialogIds.h"
#include "ServiceManager.h"
#include "SqlServerSession.h"
#include "ToolProfile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The separator line of the reports: 58 hyphens, then a blank line.
extern const char kReportSeparator[];

// The progress text of a phase on one cabinet: "キャビネット: <name>", then on the second
// line what is being done (ANSI).
std::string CabinetProgressText(const std::string& name, const std::string& doing);

// What a main dialog reaches beyond its window; the programs pass the real ones
// (win32/ToolMain), the tests their doubles.
struct DialogServices {
    std::function<std::string(int id)> loadText; // the tool's string table, ANSI
    std::function<CSqlServerSession(const CabinetRecord&)> makeSession;
    std::function<std::uint32_t(const std::string& statement, std::string& output)> docTypeQuery;
    SleepFn sleep;
    ILog& log;
    IEventLog& events;
};

class CMainDialog : public ICheckHost {
public:
    CMainDialog(const ToolProfile& profile, IDialogView& view, CServerInventory& inventory,
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
    const std::string& CurrentCabinetName() const { return currentName_; }
    // The message of the last failure shown, which its event repeats.
    const std::string& LastError() const { return lastError_; }

    // ICheckHost
    const ToolProfile& Profile() const override { return profile_; }
    std::string LoadText(int id) const override { return services_.loadText(id); }
    void AppendReport(const std::string& text) override;
    void RefreshDialog() override;
    void ShowError(const std::string& message) override;
    void PumpMessages() override { view_.PumpMessages(); }
    void SetWaitCursor() override { view_.SetWaitCursor(true); }
    void RefreshProgress() override;
    std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) override {
        return services_.docTypeQuery(statement, output);
    }
    ILog& Log() override { return services_.log; }

protected:
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

    // Logs in to the cabinet's SQL Server with its host, user and password. A failure shows
    // its message and logs its error line; the session comes back in every case.
    CCabinetSession LogIn(const CabinetRecord& record);
    // Opens the cabinet's database on the session; a failure disconnects, shows its message
    // and logs its error line.
    bool OpenDatabase(CCabinetSession& session, const CabinetRecord& record);
    // Both, the second also after a failed login, so that each failure is told.
    CCabinetSession OpenCabinetSession(const CabinetRecord& record);

    const ToolProfile& profile_;
    IDialogView& view_;
    CServerInventory& inventory_;
    DialogServices services_;
    std::string currentName_;

private:
    std::string report_;
    std::string lastError_;
    // What the report's edit shows: the report up to shownLength_, unless the report was
    // set anew since.
    std::size_t shownLength_ = 0;
    bool reportReplaced_ = false;
    std::unique_ptr<IProgressWindow> progress_;
    int progressSteps_ = 0;
    std::string progressText_;
};
