#include "UnattendedCheck.h"

#include "CheckCommand.h"
#include "CheckRun.h"
#include "FileTarget.h"
#include "RunLog.h"
#include "ScrutelProfile.h"
#include "SqliQuery.h"
#include "StringIds.h"
#include "Text.h"
#include "ToolVersion.h"
#include "WindowlessShell.h"

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

// Records the run as it goes: the cabinets, how each check ended with its count, the
// findings, what stopped it, and the report text.
class CRunRecorder : public IRunEvents {
public:
    // The findings are kept for the JSON record only: a million of them cost a hundred MB.
    CRunRecorder(CheckRun& run, bool keepFindings) : run_(run), keepFindings_(keepFindings) {}

    void CabinetBegun(const CabinetRecord& record) override {
        run_.cabinets.push_back({CabinetName(record), {}, {}, {}});
        findings_ = &run_.cabinets.back().findings;
    }
    void PhaseBegun(RunPhase phase, const std::string&) override {
        if (phase != RunPhase::DocumentTypeCheck)
            return;
        run_.documentTypesRan = true;
        findings_ = &run_.documentTypeFindings;
    }
    void ReportAppended(const std::string& text) override { report += text; }
    void CheckCounted(long count) override { count_ = count; }
    void CheckEnded(const char* check, Outcome outcome) override {
        const CheckResult result{check, outcome == Outcome::Done, count_};
        count_ = 0;
        if (findings_ == &run_.documentTypeFindings)
            run_.documentTypes = result;
        else if (!run_.cabinets.empty())
            run_.cabinets.back().checks.push_back(result);
    }
    void Finding(const std::string& label, const std::string& message) override {
        if (findings_ != nullptr && keepFindings_)
            findings_->push_back({"Failure", {label, message, "", ""}});
    }
    // What the dialog would have shown, or else what the log says of it.
    void Failed(const RunFailure& failure) override {
        if (!failure.shown.empty())
            Message(failure.shown);
        else if (!failure.logText.empty())
            Message(failure.logText2.empty() ? failure.logText
                                             : failure.logText + ": " + failure.logText2);
    }
    // What stopped the run.
    void Message(const std::string& text) {
        run_.errors.push_back(text);
        if (findings_ != nullptr && findings_ != &run_.documentTypeFindings &&
            run_.cabinets.back().error.empty())
            run_.cabinets.back().error = text;
    }

    std::string report;

private:
    CheckRun& run_;
    bool keepFindings_;
    std::vector<CheckFinding>* findings_ = nullptr;
    long count_ = 0;
};

// Start-up without a window: the system's mutex, claim and texts, no question, and the
// check run in place of the main dialog. What ends the run early is kept as its refusal.
class CUnattendedShell : public CWindowlessShell {
public:
    CUnattendedShell(IApplicationShell& system, const CheckCommand& command, CRunRecorder& recorder,
                     const DialogServices& services)
        : CWindowlessShell(system, Ansi("Scrutel はすでに実行中です。")), command_(command),
          recorder_(recorder), services_(services),
          runLog_(services.log, services.run.loadText, kScrutelLogTexts) {}

    int Refusal() const { return refusal_; }
    bool Completed() const { return completed_; }

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
        std::string product;
        if (selection_.empty() || inventory.CountNamedCabinets(0, product) == 0) {
            Refuse(kCheckFailed, LoadText(IDS_NO_TARGET_SERVER));
            return false;
        }
        // The dialog checks in list order, whatever the order of the selection.
        std::sort(selection_.begin(), selection_.end());
        selection_.erase(std::unique(selection_.begin(), selection_.end()), selection_.end());
        return true;
    }

    // The check run in place of the main dialog, followed by the log and the record. The
    // end of the user's session is heard by the program's hidden window.
    void RunMainDialog(CServerInventory& inventory, const SessionEndFn&) override {
        if (!SelectCabinets(inventory))
            return;
        std::vector<CabinetRecord> cabinets;
        for (int index : selection_)
            cabinets.push_back(inventory.Entry(0).cabinets[static_cast<std::size_t>(index)]);
        CRunEventFan events({&runLog_, &recorder_});
        completed_ =
            RunCheck(cabinets, services_.run, kScrutelChecks, events).outcome == Outcome::Done;
    }

private:
    void Refuse(int code, const std::string& text) {
        if (refusal_ == 0)
            refusal_ = code;
        recorder_.Message(text);
    }

    void Refused(const std::string& text) override { Refuse(kCheckRefused, text); }

    const CheckCommand& command_;
    CRunRecorder& recorder_;
    const DialogServices& services_;
    CRunLog runLog_;
    std::vector<int> selection_;
    int refusal_ = 0;
    bool completed_ = false;
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
                       const ToolServices& services) {
    const CLogRefusals logRefusals;
    CheckRun run;
    const CRunEndEvent endEvent(run, services.dialog.events);
    run.version = VT_VERSION_TEXT;
    run.started = UtcNow();
    ILog& log = services.dialog.log;
    CheckCommand command;
    std::string error;
    // Nothing but the log is written: the files named so far may not be the ones meant.
    if (!ParseCheckCommand(arguments, command, error)) {
        log.Result(LogStatus::Failure, kLogLabel,
                   Ansi("コマンドラインが正しくありません: ") + error);
        return kCheckBadCommand;
    }
    if (!services.missingLibrary.empty()) {
        run.exitCode = kCheckRefused;
        run.errors.push_back(services.missingLibrary);
        return Finish(run, command, RefusalReport(run), log, logRefusals.texts);
    }

    CRunRecorder recorder(run, !command.jsonFile.empty());
    CUnattendedShell unattended(shell, command, recorder, services.dialog);
    // The run's refusals are told once, at its end.
    RunApplication(kScrutelProfile, unattended, services.handOver, services.catalogue,
                   NoEventLog());
    if (unattended.Refusal() != 0) {
        run.exitCode = unattended.Refusal();
        return Finish(run, command, RefusalReport(run), log, logRefusals.texts);
    }
    run.exitCode = unattended.Completed() ? CompletedRunExitCode(run, kChecksPerCabinet)
                                          : static_cast<int>(kCheckFailed);
    return Finish(run, command, recorder.report, log, logRefusals.texts);
}
