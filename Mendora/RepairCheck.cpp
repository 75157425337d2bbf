// Mendora's check of one cabinet and its list of the accounts that may inherit (RepairRun.h).
#include "RepairRun.h"

#include "CabinetSession.h"
#include "CheckRun.h"
#include "DocNumberFormatCheck.h"
#include "Findings.h"
#include "MendoraProfile.h"
#include "StringIds.h"
#include "Text.h"

const char kValidAccountQuery[] =
    "Select SN, AccountName, DomainName \tFrom UserOrGroup where (UserType = 0) and (Not "
    "UserSpace = '') And (UserID LIKE '[A-Z]%%') and (Not UserID = '') order by SN";

namespace {

constexpr int kPhaseEndWaitMs = 500; // the last text of a phase stays readable

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
