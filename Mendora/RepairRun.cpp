#include "RepairRun.h"

#include "CabinetSession.h"
#include "CheckRun.h"
#include "DocNumberFormatCheck.h"
#include "DocTypeRepair.h"
#include "Findings.h"
#include "MendoraProfile.h"
#include "MendoraRes.h"
#include "StringIds.h"
#include "Text.h"

const char kValidAccountQuery[] =
    "Select SN, AccountName, DomainName \tFrom UserOrGroup where (UserType = 0) and (Not "
    "UserSpace = '') And (UserID LIKE '[A-Z]%%') and (Not UserID = '') order by SN";

namespace {

constexpr int kPhaseEndWaitMs = 500; // the last text of a phase stays readable
constexpr int kRunEndWaitMs = 500;   // the full bar stays readable

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
          name_(cabinet.displayName) {}

    RepairRunResult Run();

private:
    // The user repair in one transaction on session; false when it did not commit.
    bool RepairUsers(CCabinetSession& session, int& step);
    bool RunUserSteps(CSqlServerSession session, int& step);
    void RollBack(CCabinetSession& session);
    UserRepairOutcome FindOutCommit();
    // A Failure line of the text (with the cabinet's name), and the same in the report.
    void TellOutcome(int textId);
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
    std::string name_;
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
    bool reachedEnd = !users || RepairUsers(*session, step);
    if (reachedEnd && docTypes)
        reachedEnd = RepairDocTypes(step) == Outcome::Done;
    if (reachedEnd)
        services_.sleep(kRunEndWaitMs);
    result_.outcome = reachedEnd ? Outcome::Done : Outcome::Failed;
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
    if (!RunUserSteps(session, step)) {
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
        DeleteInvalidUsers(host_, name_, session, check_.users.InvalidUserSNs) != Outcome::Done)
        return false;
    for (const std::string& userSN : check_.users.InvalidUserSNs) {
        for (const RelatedRecordRepair& repair : RelatedRecordRepairs()) {
            if (RunRelatedRecordRepair(host_, repair, name_, session, userSN, replacement_,
                                       result_.counters) != Outcome::Done)
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

Outcome CRepair::RepairDocTypes(int& step) {
    const std::string label = Ansi(kDocTypeLabel);
    events_.PhaseBegun(RunPhase::DocumentTypeRepair, label);
    events_.ReportAppended(Ansi("文書タイプ:") + "\r\n\r\n");
    if (RepairDocNumberFormat(host_, result_.correctedDocTypes) != Outcome::Done) {
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

CabinetCheckResult CheckForRepair(const CabinetRecord& cabinet, const RunServices& services,
                                  IRunEvents& subscribers) {
    CRunEventFan events({&subscribers});
    CRunHost host(services, kMendoraChecks, events);
    CabinetCheckResult result;
    const std::string name = cabinet.displayName;
    CCabinetSession session = LogIn(services.makeSession(cabinet), events);
    OpenDatabase(session, cabinet, events);
    events.RunBegun(2);
    events.PhaseBegun(RunPhase::CabinetCheck, name);
    events.ReportAppended(services.loadText(IDS_CHECKED) + kReportSeparator +
                          FormatText(services.loadText(IDS_CABINET_HEADER), {name}) + "\r\n\r\n");
    const auto end = [&](Outcome outcome) {
        session.Close();
        events.ReportAppended(kReportSeparator);
        events.PhaseEnded(RunPhase::CabinetCheck, name);
        result.outcome = outcome;
        events.Ended(outcome);
        return result;
    };
    UserCheckResult users;
    if (CheckUserRecords(host, cabinet, session.Session(), users) != Outcome::Done)
        return end(Outcome::Failed);
    result.users = users;
    services.sleep(kPhaseEndWaitMs);
    events.StepDone(1);

    const std::string docTypes = Ansi(kDocTypeLabel);
    events.PhaseBegun(RunPhase::DocumentTypeCheck, docTypes);
    if (CheckDocNumberFormat(host, result.docTypeFindings) != Outcome::Done)
        return end(Outcome::Failed);
    events.StepDone(2);
    events.PhaseEnded(RunPhase::DocumentTypeCheck, docTypes);
    services.sleep(kPhaseEndWaitMs);
    return end(Outcome::Done);
}

Outcome ListValidAccounts(const CabinetRecord& cabinet, const RunServices& services,
                          IRunEvents& events, std::vector<Account>& accounts) {
    CCabinetSession session = LogIn(services.makeSession(cabinet), events);
    OpenDatabase(session, cabinet, events);
    std::string text;
    long rows = 0;
    if (session.Session().ExecuteQuery(kValidAccountQuery, text, rows) != Outcome::Done) {
        RunFailure failure;
        failure.shown = Ansi("アカウント一覧の取得に失敗しました。");
        events.Failed(failure);
        return Outcome::Failed;
    }
    accounts.clear();
    for (CRowReader row(text); rows > 0 && row.Next();) {
        if (accounts.size() == static_cast<std::size_t>(rows))
            break;
        accounts.push_back(
            {std::string(row.Column(0)), std::string(row.Column(1)), std::string(row.Column(2))});
    }
    return Outcome::Done;
}

RepairRunResult RunRepair(const CabinetRecord& cabinet, const CabinetCheckResult& check,
                          const Account& replacement, const RunServices& services,
                          IRunEvents& events) {
    return CRepair(cabinet, check, replacement, services, events).Run();
}
