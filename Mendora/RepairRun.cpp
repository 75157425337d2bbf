#include "RepairRun.h"

#include "CabinetSession.h"
#include "CheckRun.h"
#include "DocNumberFormatCheck.h"
#include "DocTypeRepair.h"
#include "Findings.h"
#include "MendoraProfile.h"
#include "MendoraRes.h"
#include "RepairJournal.h"
#include "StringIds.h"
#include "Text.h"

namespace {

constexpr int kRunEndWaitMs = 500; // the full bar stays readable

void TellTransactionFailure(IRunEvents& events, const char* shown, int line) {
    RunFailure failure;
    failure.shown = Ansi(shown);
    failure.errorCode = "Transaction Query Error.";
    failure.sourceFile = __FILE__;
    failure.line = line;
    events.Failed(failure);
}

class CRepair {
public:
    CRepair(const CabinetRecord& cabinet, const CabinetCheckResult& check,
            const Account& replacement, const RunServices& services, IRunEvents& subscribers)
        : cabinet_(cabinet), check_(check), replacement_(replacement), services_(services),
          events_({&subscribers, &lastFailure_}), host_(services, kMendoraChecks, events_),
          journal_(cabinet, services, events_), name_(cabinet.displayName) {}

    RepairRunResult Run();

private:
    // The user repair in one transaction on session; false when it did not commit.
    bool RepairUsers(CCabinetSession& session, int& step);
    bool RunUserSteps(CSqlServerSession session, int& step);
    void RollBack(CCabinetSession& session);
    UserRepairOutcome FindOutCommit();
    // A Failure line of the text (with the cabinet's name), and the same in the report.
    void TellOutcome(int textId);
    // The document types to reset, taken and written down before anything is committed.
    Outcome PlanDocTypes();
    Outcome RepairDocTypes(int& step);
    void Tell(const std::string& text) {
        events_.ReportAppended(text);
        events_.Summarised(text);
    }

    const CabinetRecord& cabinet_;
    const CabinetCheckResult& check_;
    const Account& replacement_;
    const RunServices& services_;
    CLastFailure lastFailure_;
    CRunEventFan events_;
    CRunHost host_;
    CRepairJournal journal_;
    std::string name_;
    CTokenList docTypes_; // the select of the document types to reset
    RepairRunResult result_;
};

RepairRunResult CRepair::Run() {
    const bool users = check_.users.InvalidUserCount > 0;
    const bool docTypes = check_.docTypeFindings != 0;
    const int userSteps =
        users ? static_cast<int>(check_.users.InvalidUserSNs.size() * RelatedRecordRepairs().size())
              : 0;
    std::unique_ptr<CCabinetSession> session;
    if (users) {
        session =
            std::make_unique<CCabinetSession>(LogIn(services_.makeSession(cabinet_), events_));
        OpenDatabase(*session, cabinet_, events_);
    }
    events_.RunBegun(userSteps + (docTypes ? 1 : 0));
    events_.ReportAppended(services_.loadText(IDS_REPAIRED) + kReportSeparator);
    int step = 0;
    // Nothing to repair, nothing to undo: no journal.
    bool reachedEnd = true;
    if (users || docTypes)
        reachedEnd = journal_.Open() == Outcome::Done &&
                     (users ? RepairUsers(*session, step)
                            : PlanDocTypes() == Outcome::Done && journal_.Ready() == Outcome::Done);
    if (reachedEnd && docTypes)
        reachedEnd = RepairDocTypes(step) == Outcome::Done;
    if (reachedEnd)
        services_.sleep(kRunEndWaitMs);
    result_.outcome = reachedEnd ? Outcome::Done : Outcome::Failed;
    if (!reachedEnd)
        result_.reason = result_.reason.empty() ? lastFailure_.message : result_.reason;
    if (journal_.IsReady()) {
        const std::string named =
            FormatText(services_.loadText(IDS_JOURNAL_WRITTEN), {journal_.Path()});
        events_.ReportAppended(named + "\r\n\r\n");
        events_.Summarised(named);
        result_.journal = journal_.Path();
    }
    events_.ReportAppended(kReportSeparator);
    if (users) {
        // Only a repair that committed says it ended.
        if (result_.users == UserRepairOutcome::Committed)
            events_.PhaseEnded(RunPhase::CabinetRepair, name_);
        session->Close();
    }
    events_.Ended(result_.outcome);
    return result_;
}

bool CRepair::RepairUsers(CCabinetSession& cabinetSession, int& step) {
    events_.PhaseBegun(RunPhase::CabinetRepair, name_);
    events_.ReportAppended(FormatText(services_.loadText(IDS_CABINET_HEADER), {name_}) +
                           "\r\n\r\n");
    CSqlServerSession session = cabinetSession.Session();
    // While the transaction is open the user's session may not end under it: a shut-down
    // would end the process between two statements.
    events_.TransactionOpened();
    const auto failed = [&](UserRepairOutcome outcome) {
        events_.TransactionClosed();
        result_.users = outcome;
        result_.reason = lastFailure_.message;
        return false;
    };
    if (session.ExecuteStatement("BEGIN TRANSACTION") != Outcome::Done) {
        TellTransactionFailure(events_, "トランザクションに失敗しました。", __LINE__);
        return failed(UserRepairOutcome::RolledBack);
    }
    journal_.UseSession(session);
    if (!RunUserSteps(session, step) || PlanDocTypes() != Outcome::Done ||
        journal_.Ready() != Outcome::Done) {
        RollBack(cabinetSession);
        return failed(UserRepairOutcome::RolledBack);
    }
    if (session.ExecuteStatement("COMMIT") != Outcome::Done) {
        TellTransactionFailure(events_, "コミットに失敗しました。", __LINE__);
        const std::string reason = lastFailure_.message;
        // The server may have committed before its answer was lost: the transaction is
        // ended here, and a new connection finds out what it did.
        session.ExecuteStatement("ROLLBACK");
        cabinetSession.Close();
        const UserRepairOutcome found = FindOutCommit();
        failed(found);
        result_.reason = reason;
        if (found != UserRepairOutcome::Committed) {
            TellOutcome(found == UserRepairOutcome::RolledBack ? IDS_COMMIT_NOT_TAKEN
                                                               : IDS_COMMIT_UNKNOWN);
            return false;
        }
        const std::string tookEffect =
            FormatText(services_.loadText(IDS_COMMIT_TOOK_EFFECT), {name_});
        events_.ReportAppended(tookEffect + "\r\n\r\n");
        events_.Summarised(tookEffect);
    } else {
        events_.TransactionClosed();
        result_.users = UserRepairOutcome::Committed;
    }
    Tell(FormatText(services_.loadText(IDS_CORRECTED_ROWS),
                    {std::to_string(result_.counters.CorrectedRowCount)}));
    Tell(FormatText(services_.loadText(IDS_DELETED_ROWS),
                    {std::to_string(result_.counters.DeletedRowCount)}));
    return true;
}

// On a connection of its own, with a bounded wait for locks: the deleted users all gone is a
// commit, all there is none; anything else, or no answer, cannot be told.
UserRepairOutcome CRepair::FindOutCommit() {
    IRunEvents unseen; // what fails here is told as the outcome
    CCabinetSession look = LogIn(services_.makeSession(cabinet_), unseen);
    if (!look.Session().IsConnected() || !OpenDatabase(look, cabinet_, unseen) ||
        look.Session().ExecuteStatement("SET LOCK_TIMEOUT 10000") != Outcome::Done)
        return UserRepairOutcome::Unknown;
    std::string list;
    for (const std::string& sn : check_.users.InvalidUserSNs)
        list += (list.empty() ? "" : ",") + sn;
    std::string text;
    long rows = 0;
    if (look.Session().ExecuteQuery("select SN from UserOrGroup where SN in (" + list + ")", text,
                                    rows) != Outcome::Done)
        return UserRepairOutcome::Unknown;
    if (rows == 0)
        return UserRepairOutcome::Committed;
    return static_cast<std::size_t>(rows) == check_.users.InvalidUserSNs.size()
               ? UserRepairOutcome::RolledBack
               : UserRepairOutcome::Unknown;
}

void CRepair::TellOutcome(int textId) {
    const std::string text = FormatText(services_.loadText(textId), {name_});
    RunFailure failure;
    failure.logText = text;
    events_.Failed(failure);
    events_.ReportAppended(text + "\r\n\r\n");
}

bool CRepair::RunUserSteps(CSqlServerSession session, int& step) {
    if (CheckHeir(host_, session, replacement_) != Outcome::Done ||
        DeleteInvalidUsers(host_, name_, session, check_.users.InvalidUserSNs, journal_) !=
            Outcome::Done)
        return false;
    for (const std::string& userSN : check_.users.InvalidUserSNs) {
        for (const RelatedRecordRepair& repair : RelatedRecordRepairs()) {
            if (RunRelatedRecordRepair(host_, repair, name_, session, userSN, replacement_,
                                       result_.counters, journal_) != Outcome::Done)
                return false;
            events_.StepDone(++step);
        }
    }
    return true;
}

// A ROLLBACK that cannot be sent ends the connection, which the server answers by undoing
// the transaction as well.
void CRepair::RollBack(CCabinetSession& session) {
    if (session.Session().ExecuteStatement("ROLLBACK") != Outcome::Done)
        session.Close();
    TellOutcome(IDS_ROLLED_BACK);
}

Outcome CRepair::PlanDocTypes() {
    if (check_.docTypeFindings == 0)
        return Outcome::Done;
    if (SelectNullFormats(host_, docTypes_) != Outcome::Done)
        return Outcome::Failed;
    return journal_.Plan(docTypes_);
}

Outcome CRepair::RepairDocTypes(int& step) {
    const std::string label = Ansi(kDocTypeLabel);
    events_.PhaseBegun(RunPhase::DocumentTypeRepair, label);
    events_.ReportAppended(Ansi("文書タイプ:") + "\r\n\r\n");
    if (RepairDocNumberFormat(host_, docTypes_, result_.correctedDocTypes,
                              [this](const std::string& sn) { return journal_.Applied(sn); }) !=
        Outcome::Done) {
        result_.reason = lastFailure_.message;
        return Outcome::Failed;
    }
    const std::string corrected = FormatText(services_.loadText(IDS_CORRECTED_DOC_TYPES),
                                             {std::to_string(result_.correctedDocTypes)});
    events_.ReportAppended(corrected);
    events_.StepDone(++step);
    events_.Summarised(corrected);
    events_.PhaseEnded(RunPhase::DocumentTypeRepair, label);
    return Outcome::Done;
}

} // namespace

RepairRunResult RunRepair(const CabinetRecord& cabinet, const CabinetCheckResult& check,
                          const Account& replacement, const RunServices& services,
                          IRunEvents& events) {
    return CRepair(cabinet, check, replacement, services, events).Run();
}
