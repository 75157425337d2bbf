#include "UnattendedCheck.h"

#include "CheckCommand.h"
#include "FileTarget.h"
#include "HelperLibrary.h"
#include "ScrutelDlg.h"
#include "SqliQuery.h"
#include "StringIds.h"
#include "Text.h"
#include "ToolVersion.h"

#include <algorithm>
#include <ctime>
#include <memory>

namespace {

constexpr const char kLogLabel[] = "Scrutel /check";

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    return text;
}

class CNoProgress : public IProgressWindow {
public:
    void Show() override {}
    void SetRange(int) override {}
    void SetPosition(int) override {}
    void SetText(const std::string&) override {}
    void Repaint() override {}
    void Hide() override {}
};

// The main dialog's window, shown to no one: it holds the selection and hands every
// message on instead of showing it.
class CHeadlessView : public IDialogView {
public:
    CHeadlessView(std::vector<int> selection, std::function<void(const std::string&)> message)
        : selection_(std::move(selection)), message_(std::move(message)) {}
    void SetText(int, const std::string&) override {}
    void AppendText(int, std::string_view) override {}
    void Show(int, bool) override {}
    void Enable(int, bool) override {}
    void Focus(int) override {}
    void PlaceLeftOf(int, int) override {}
    void ScrollToEnd(int) override {}
    void AddColumn(int, const std::string&, int) override {}
    void SetFullRowSelect(int) override {}
    void ClearList(int) override {}
    void AddItem(int, const std::vector<std::string>&, int, int) override {}
    std::vector<int> SelectedItems(int) const override { return selection_; }
    void ClearSelection(int) override { selection_.clear(); }
    void EnableCloseCommand(bool) override {}
    void SetWaitCursor(bool) override {}
    int ShowMessage(const std::string& text, unsigned) override {
        message_(text);
        return 1; // OK
    }
    void PumpMessages() override { ::PumpMessages(); } // the end of the session is heard
    void Repaint() override {}
    std::unique_ptr<IProgressWindow> CreateProgressWindow() override {
        return std::make_unique<CNoProgress>();
    }
    void End() override {}
    void BlockSessionEnd(const std::string&) override {}
    void AllowSessionEnd() override {}

private:
    std::vector<int> selection_;
    std::function<void(const std::string&)> message_;
};

// Records the run as it goes: the checks' ends and counts from the dialog, the findings
// from the log lines it writes (which go on to the tool's log unchanged).
class CRunRecorder : public ICheckRunObserver, public ILog {
public:
    CRunRecorder(CheckRun& run, ILog& log) : run_(run), log_(log) {}

    void CabinetBegun(const CabinetRecord& record) override {
        run_.cabinets.push_back({CabinetName(record), {}, {}, {}});
        findings_ = &run_.cabinets.back().findings;
    }
    void DocumentTypesBegun() override {
        run_.documentTypesRan = true;
        findings_ = &run_.documentTypeFindings;
    }
    void SectionCounted(long count) override { count_ = count; }
    void CheckEnded(const char* check, Outcome outcome) override {
        const CheckResult result{check, outcome == Outcome::Done, count_};
        count_ = 0;
        if (findings_ == &run_.documentTypeFindings)
            run_.documentTypes = result;
        else if (!run_.cabinets.empty())
            run_.cabinets.back().checks.push_back(result);
    }
    // A message the dialog would have shown: what stopped the run.
    void Message(const std::string& text) {
        run_.errors.push_back(text);
        if (findings_ != nullptr && findings_ != &run_.documentTypeFindings &&
            run_.cabinets.back().error.empty())
            run_.cabinets.back().error = text;
    }

    void Result(LogStatus status, const std::string& text, const std::string& text2,
                const std::string& text3, const std::string& text4) override {
        log_.Result(status, text, text2, text3, text4);
        if (findings_ != nullptr && status == LogStatus::Failure)
            findings_->push_back({"Failure", {text, text2, text3, text4}});
    }
    void ErrorCode(const char* sourceFile, int line, std::uint32_t code, std::uint32_t detail,
                   const std::string& message) override {
        log_.ErrorCode(sourceFile, line, code, detail, message);
    }

private:
    CheckRun& run_;
    ILog& log_;
    std::vector<CheckFinding>* findings_ = nullptr;
    long count_ = 0;
};

// Start-up without a window: the system's mutex, claim and texts, no question, and the
// check run in place of the main dialog. What ends the run early is kept as its refusal.
class CUnattendedShell : public IApplicationShell {
public:
    CUnattendedShell(IApplicationShell& system, const CheckCommand& command, CRunRecorder& recorder,
                     DialogServices services)
        : system_(system), command_(command), recorder_(recorder), services_(std::move(services)) {}

    int Refusal() const { return refusal_; }
    bool Completed() const { return completed_; }
    const std::string& Report() const { return report_; }

    InstanceMutex AcquireInstanceMutex(const std::string& name) override {
        const InstanceMutex mutex = system_.AcquireInstanceMutex(name);
        if (mutex == InstanceMutex::AnotherCopy)
            Refuse(kCheckRefused, Ansi("Scrutel はすでに実行中です。"));
        return mutex;
    }
    std::string LoadText(int id) override { return system_.LoadText(id); }
    // Before the run only refusals are shown: not installed, the service would not stop or
    // another tool holds it (a check does not run beside a repair).
    bool SharesService() const override { return false; }
    int ShowMessage(const std::string& text, unsigned) override {
        Refuse(kCheckRefused, text);
        return 1; // OK
    }

    // Scheduling the task is the administrator's consent.
    bool ConsentToStop(const ToolProfile&, CServerInventory&) override { return true; }

    // The cabinets are read once the service is stopped, as the dialog reads them: a
    // catalogue that cannot be read then is a failure of the run, not an unknown name.
    bool SelectCabinets(CServerInventory& inventory) {
        if (inventory.LoadCabinets() != kSqliOk) {
            Refuse(kCheckFailed, Ansi("キャビネットの一覧を読み込めません。"));
            return false;
        }
        const std::vector<CabinetRecord>& cabinets = inventory.Entry(0).cabinets;
        for (const std::string& name : command_.cabinets) {
            const auto found =
                std::find_if(cabinets.begin(), cabinets.end(),
                             [&name](const CabinetRecord& r) { return CabinetName(r) == name; });
            if (found == cabinets.end()) {
                Refuse(kCheckBadCommand, Ansi("キャビネットがありません: ") + name);
                return false;
            }
            selection_.push_back(static_cast<int>(found - cabinets.begin()));
        }
        if (command_.cabinets.empty())
            for (std::size_t i = 0; i < cabinets.size(); ++i)
                selection_.push_back(static_cast<int>(i));
        if (selection_.empty()) {
            Refuse(kCheckFailed, LoadText(IDS_NO_TARGET_SERVER));
            return false;
        }
        // The dialog checks in list order, whatever the order of the selection.
        std::sort(selection_.begin(), selection_.end());
        selection_.erase(std::unique(selection_.begin(), selection_.end()), selection_.end());
        return true;
    }

    // The end of the user's session is heard by the program's hidden window.
    void RunMainDialog(CServerInventory& inventory, const SessionEndFn&) override {
        if (!SelectCabinets(inventory))
            return;
        CHeadlessView view(selection_,
                           [this](const std::string& text) { recorder_.Message(text); });
        DialogServices services{
            services_.loadText, services_.makeSession, services_.docTypeQuery, services_.sleep,
            recorder_,          services_.events};
        CScrutelDlg dialog(view, inventory, services, &recorder_);
        completed_ = dialog.RunCheck() == Outcome::Done;
        report_ = dialog.Report();
    }

private:
    void Refuse(int code, const std::string& text) {
        if (refusal_ == 0)
            refusal_ = code;
        recorder_.Message(text);
    }

    IApplicationShell& system_;
    const CheckCommand& command_;
    CRunRecorder& recorder_;
    DialogServices services_;
    std::vector<int> selection_;
    int refusal_ = 0;
    bool completed_ = false;
    std::string report_;
};

// What the log refused during the run, for its record: a run without a window has no one
// else to tell.
class CLogRefusals {
public:
    CLogRefusals() {
        SetLogRefusalHandler([this](const std::string& text) { texts.push_back(text); });
    }
    ~CLogRefusals() { SetLogRefusalHandler(nullptr); }
    CLogRefusals(const CLogRefusals&) = delete;
    CLogRefusals& operator=(const CLogRefusals&) = delete;

    std::vector<std::string> texts;
};

// The run's end: its exit code, what stopped it in the log, the report and the record in
// their files, each replaced whole. A file that cannot be written fails the run; a log
// that was refused is told in the record.
int Finish(CheckRun& run, const CheckCommand& command, const std::string& report, ILog& log,
           const std::vector<std::string>& logRefusals) {
    for (const std::string& error : run.errors)
        log.Result(LogStatus::Failure, kLogLabel, error);
    run.errors.insert(run.errors.end(), logRefusals.begin(), logRefusals.end());
    std::string why;
    if (!command.reportFile.empty() &&
        ReplaceFileContents(command.reportFile, report, why) != Outcome::Done) {
        run.errors.push_back(Ansi("レポートを書き込めません: ") + command.reportFile + ": " + why);
        log.Result(LogStatus::Failure, kLogLabel, run.errors.back());
        run.exitCode = std::max(run.exitCode, static_cast<int>(kCheckFailed));
    }
    run.ended = UtcNow();
    if (!command.jsonFile.empty() &&
        ReplaceFileContents(command.jsonFile, CheckRunJson(run, kChecksPerCabinet), why) !=
            Outcome::Done) {
        log.Result(LogStatus::Failure, kLogLabel,
                   Ansi("JSON を書き込めません: ") + command.jsonFile + ": " + why);
        run.exitCode = std::max(run.exitCode, static_cast<int>(kCheckFailed));
    }
    return run.exitCode;
}

// Tells the event log how the run ended, on whichever path it ends.
class CRunEndEvent {
public:
    CRunEndEvent(const CheckRun& run, IEventLog& events) : run_(run), events_(events) {}
    ~CRunEndEvent() { events_.Report(CheckRunEvent(run_)); }
    CRunEndEvent(const CRunEndEvent&) = delete;
    CRunEndEvent& operator=(const CRunEndEvent&) = delete;

private:
    const CheckRun& run_;
    IEventLog& events_;
};

// The report file of a run that did not check: what stopped it.
std::string RefusalReport(const CheckRun& run) {
    std::string text;
    for (const std::string& error : run.errors)
        text += error + "\r\n";
    return text;
}

} // namespace

int RunUnattendedCheck(const std::vector<std::string>& arguments, IApplicationShell& shell,
                       CServiceHandOver& handOver, DialogServices dialogServices) {
    const CLogRefusals logRefusals;
    CheckRun run;
    const CRunEndEvent endEvent(run, dialogServices.events);
    run.version = VT_VERSION_TEXT;
    run.started = UtcNow();
    ILog& log = dialogServices.log;
    CheckCommand command;
    std::string error;
    // Nothing but the log is written: the files named so far may not be the ones meant.
    if (!ParseCheckCommand(arguments, command, error)) {
        log.Result(LogStatus::Failure, kLogLabel,
                   Ansi("コマンドラインが正しくありません: ") + error);
        return kCheckBadCommand;
    }
    std::string missing;
    if (SystemHelperLibrary(&missing) == nullptr) {
        run.exitCode = kCheckRefused;
        run.errors.push_back(missing);
        return Finish(run, command, RefusalReport(run), log, logRefusals.texts);
    }

    CRunRecorder recorder(run, log);
    CUnattendedShell unattended(shell, command, recorder, dialogServices);
    // The run's refusals are told once, at its end.
    RunApplication(kScrutelProfile, unattended, handOver, SystemCatalogueSources(), NoEventLog());
    if (unattended.Refusal() != 0) {
        run.exitCode = unattended.Refusal();
        return Finish(run, command, RefusalReport(run), log, logRefusals.texts);
    }
    run.exitCode = unattended.Completed() ? CompletedRunExitCode(run, kChecksPerCabinet)
                                          : static_cast<int>(kCheckFailed);
    return Finish(run, command, unattended.Report(), log, logRefusals.texts);
}
