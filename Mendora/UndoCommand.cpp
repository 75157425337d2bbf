#include "UndoCommand.h"

#include "CabinetSession.h"
#include "CheckRun.h"
#include "CommandLine.h"
#include "FileTarget.h"
#include "MendoraProfile.h"
#include "SqliQuery.h"
#include "Text.h"
#include "UndoJournalStore.h"
#include "UndoRun.h"
#include "WindowlessShell.h"

#include <fstream>

namespace {

constexpr const char kLogLabel[] = "Mendora /undo";

struct UndoReport {
    int exitCode = kUndoFailed;
    std::string outcome; // what was done, or why not
    std::vector<std::string> differences;
};

// The whole file, or false with why; a file above the bound is not read.
bool ReadJournalFile(const std::string& path, std::string& bytes, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = Ansi("ジャーナルを開けません: ") + path;
        return false;
    }
    // Its size first, so that a file far too large is not read at all; the loop still stops
    // at the bound should it grow meanwhile.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxUndoJournalBytes) {
        why = Ansi("ジャーナルが大きすぎます: ") + path;
        return false;
    }
    bytes.clear();
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxUndoJournalBytes) {
            why = Ansi("ジャーナルが大きすぎます: ") + path;
            return false;
        }
    }
    if (in.bad()) {
        why = Ansi("ジャーナルを読めません: ") + path;
        return false;
    }
    return true;
}

// The journal, trusted: its SHA-256 the one recorded, every record one the repair writes.
bool TrustJournal(const UndoCommand& command, const IToolKey* key, UndoJournal& journal,
                  std::string& why) {
    std::string bytes;
    if (!ReadJournalFile(command.journalFile, bytes, why))
        return false;
    const JournalHashCheck hash = key ? CheckUndoJournalHash(*key, command.journalFile, bytes)
                                      : JournalHashCheck::NotRecorded;
    if (hash != JournalHashCheck::Matches) {
        why = Ansi(hash == JournalHashCheck::NotRecorded
                       ? "このジャーナルは記録されていません: "
                       : "ジャーナルが記録されたものと一致しません: ") +
              FileNameOf(command.journalFile);
        return false;
    }
    std::string wrong;
    if (ReadUndoJournal(bytes, RepairJournalScope(), journal, wrong) != Outcome::Done) {
        why = Ansi("ジャーナルを読めません: ") + wrong;
        return false;
    }
    return CheckUndoable(journal, why);
}

// Start-up without a window, as /check starts: the system's mutex and texts, no question,
// and the undo in place of the main dialog. What ends the run early is its refusal.
class CUndoShell : public CWindowlessShell {
public:
    CUndoShell(IApplicationShell& system, const UndoJournal& journal, const RunServices& services,
               UndoReport& report)
        : CWindowlessShell(system, Ansi("Mendora はすでに実行中です。")), journal_(journal),
          services_(services), report_(report) {}

    void RunMainDialog(CServerInventory& inventory, const SessionEndFn&) override {
        const CabinetRecord* cabinet = Find(inventory);
        if (cabinet == nullptr)
            return;
        CLastFailure failure;
        CCabinetSession session = LogIn(services_.makeSession(*cabinet), failure);
        if (!session.Session().IsConnected() || !OpenDatabase(session, *cabinet, failure))
            return End(kUndoFailed, failure.message.empty() ? Ansi("データベースに接続できません。")
                                                            : failure.message);
        const UndoOutcome users = UndoCabinet(session.Session(), journal_);
        session.Close();
        const std::string name = CabinetName(*cabinet);
        if (users.end == UndoEnd::Failed)
            return End(kUndoFailed,
                       name + Ansi(" を元に戻せませんでした。データは変更されていません。"),
                       users.reason);
        if (users.end == UndoEnd::Differs) {
            report_.differences = users.differences;
            return End(kUndoDiffers,
                       name + Ansi(" は補正後に変更されているため、元に戻しませんでした。"));
        }
        const std::string undone = name + Ansi(" の補正を元に戻しました (戻した行: ") +
                                   std::to_string(users.insertedRows) + Ansi(", 戻した値: ") +
                                   std::to_string(users.restoredValues) + ")";
        const UndoOutcome docTypes = UndoDocTypes(services_, journal_);
        report_.differences = docTypes.differences;
        if (docTypes.end == UndoEnd::Failed)
            return End(kUndoFailed, undone + Ansi("。文書タイプは戻せませんでした。"),
                       docTypes.reason);
        if (docTypes.end == UndoEnd::Differs)
            return End(kUndoDiffers,
                       undone + Ansi("。補正後に変更された文書タイプは戻していません。"));
        End(kUndoDone, undone + Ansi("。文書タイプ: ") + std::to_string(docTypes.restoredValues));
    }

private:
    const CabinetRecord* Find(CServerInventory& inventory) {
        if (inventory.LoadCabinets() != kSqliOk) {
            End(kUndoFailed, Ansi("キャビネットの一覧を読み込めません。"));
            return nullptr;
        }
        for (const CabinetRecord& record : inventory.Entry(0).cabinets)
            if (journal_.header.database == record.databaseName &&
                AsciiLower(journal_.header.host) == AsciiLower(record.databaseHost))
                return &record;
        End(kUndoFailed, Ansi("ジャーナルのデータベースのキャビネットがありません: ") +
                             journal_.header.database + " (" + journal_.header.host + ")");
        return nullptr;
    }
    void End(int code, const std::string& text, const std::string& why = {}) {
        if (ended_)
            return;
        ended_ = true;
        report_.exitCode = code;
        report_.outcome = why.empty() ? text : text + "\r\n" + why;
    }

    void Refused(const std::string& text) override { End(kUndoRefused, text); }

    const UndoJournal& journal_;
    const RunServices& services_;
    UndoReport& report_;
    bool ended_ = false;
};

// The outcome in the log (every difference a line of its own) and in the report file.
int Finish(const UndoReport& report, const UndoCommand& command, ILog& log) {
    const LogStatus status = report.exitCode == kUndoDone ? LogStatus::Success : LogStatus::Failure;
    log.Result(status, kLogLabel, report.outcome, FileNameOf(command.journalFile));
    std::string text = report.outcome + "\r\n";
    for (const std::string& difference : report.differences) {
        log.Result(LogStatus::Failure, kLogLabel, difference);
        text += difference + "\r\n";
    }
    std::string why;
    if (!command.reportFile.empty() &&
        ReplaceFileContents(command.reportFile, text, why) != Outcome::Done) {
        log.Result(LogStatus::Failure, kLogLabel,
                   Ansi("レポートを書き込めません: ") + command.reportFile + ": " + why);
        return report.exitCode == kUndoDone ? static_cast<int>(kUndoFailed) : report.exitCode;
    }
    return report.exitCode;
}

} // namespace

bool IsUndoCommand(const std::vector<std::string>& arguments) {
    return HasOption(arguments, "undo");
}

bool ParseUndoCommand(const std::vector<std::string>& arguments, UndoCommand& command,
                      std::string& error) {
    command = UndoCommand();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string option = OptionName(arguments[i]);
        if (option != "undo" && option != "report") {
            error = "unknown argument: " + arguments[i];
            return false;
        }
        if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
            error = arguments[i] + " needs a value";
            return false;
        }
        std::string& file = option == "undo" ? command.journalFile : command.reportFile;
        if (!file.empty()) {
            error = arguments[i] + " given twice";
            return false;
        }
        file = arguments[++i];
    }
    if (command.journalFile.empty()) {
        error = "/undo needs a journal file";
        return false;
    }
    if (AsciiLower(command.reportFile) == AsciiLower(command.journalFile)) {
        error = "/report names the journal";
        return false;
    }
    return true;
}

int RunUndo(const std::vector<std::string>& arguments, IApplicationShell& shell,
            const ToolServices& services) {
    ILog& log = services.dialog.log;
    UndoCommand command;
    std::string error;
    // Nothing but the log is written: the report named may not be the one meant.
    if (!ParseUndoCommand(arguments, command, error)) {
        log.Result(LogStatus::Failure, kLogLabel,
                   Ansi("コマンドラインが正しくありません: ") + error);
        return kUndoBadInput;
    }
    UndoReport report;
    UndoJournal journal;
    if (!TrustJournal(command, services.dialog.run.toolKey, journal, error)) {
        report = {kUndoBadInput, error, {}};
        return Finish(report, command, log);
    }
    if (!services.missingLibrary.empty()) {
        report = {kUndoRefused, services.missingLibrary, {}};
        return Finish(report, command, log);
    }
    CUndoShell undo(shell, journal, services.dialog.run, report);
    RunApplication(kMendoraProfile, undo, services.handOver, services.catalogue, NoEventLog());
    if (report.outcome.empty())
        report = {kUndoRefused, Ansi("Mendora を起動できませんでした。"), {}};
    return Finish(report, command, log);
}
