#include "CheckRun.h"

#include "CabinetSession.h"
#include "DocNumberFormatCheck.h"
#include "DocumentContentCheck.h"
#include "Findings.h"
#include "StringIds.h"
#include "Text.h"
#include "UserRecordCheck.h"

const char kReportSeparator[] =
    "----------------------------------------------------------\r\n\r\n";

namespace {

Outcome UserRecords(ICheckHost& host, const CabinetRecord& record, CSqlServerSession session) {
    UserCheckResult reportedOnly;
    return CheckUserRecords(host, record, session, reportedOnly);
}

// The six checks of a cabinet, in the order of the report, each with the name a run's
// record keeps it by.
struct CabinetCheck {
    const char* name;
    Outcome (*run)(ICheckHost&, const CabinetRecord&, CSqlServerSession);
};
const CabinetCheck kCabinetChecks[kChecksPerCabinet] = {
    {"userRecords", UserRecords},
    {"sectionCount", DocumentContentCheckAt<0>},
    {"zeroByteSections", DocumentContentCheckAt<1>},
    {"oversizedSections", DocumentContentCheckAt<2>},
    {"checkedOutDocuments", DocumentContentCheckAt<3>},
    {"unsupportedExtensions", DocumentContentCheckAt<4>}};

// A login or database that fails ends the run like a failed check.
Outcome CheckCabinet(ICheckHost& host, const RunServices& services, const CabinetRecord& record,
                     int& position) {
    IRunEvents& events = host.Events();
    const std::string name = record.shortName;
    events.CabinetBegun(record);
    events.PhaseBegun(RunPhase::CabinetCheck, name);
    events.ReportAppended(Ansi("キャビネット:") + name + "\r\n\r\n");
    CCabinetSession session = LogIn(services.makeSession(record), events);
    if (!session.Session().IsConnected() || !OpenDatabase(session, record, events))
        return Outcome::Failed;
    for (const CabinetCheck& check : kCabinetChecks) {
        const Outcome outcome = check.run(host, record, session.Session());
        events.CheckEnded(check.name, outcome);
        if (outcome != Outcome::Done)
            return Outcome::Failed;
        events.StepDone(++position);
    }
    session.Close();
    events.ReportAppended(kReportSeparator);
    events.PhaseEnded(RunPhase::CabinetCheck, name);
    return Outcome::Done;
}

} // namespace

int CheckRunSteps(std::size_t cabinets) {
    return kChecksPerCabinet * static_cast<int>(cabinets) + 1;
}

CheckRunResult RunCheck(const std::vector<CabinetRecord>& cabinets, const RunServices& services,
                        const CheckOptions& options, IRunEvents& subscribers) {
    CLastFailure lastFailure;
    CRunEventFan events({&subscribers, &lastFailure});
    CRunHost host(services, options, events);
    CheckRunResult result;
    for (const CabinetRecord& record : cabinets)
        result.checked.push_back(CabinetName(record));
    const auto failed = [&](const std::string& at) {
        result.failedAt = at;
        result.reason = lastFailure.message;
        events.Ended(Outcome::Failed);
        return result;
    };
    events.RunBegun(CheckRunSteps(cabinets.size()));
    int position = 0;
    for (const CabinetRecord& record : cabinets)
        if (CheckCabinet(host, services, record, position) != Outcome::Done)
            return failed(record.shortName);

    const std::string docTypes = Ansi(kDocTypeLabel);
    events.PhaseBegun(RunPhase::DocumentTypeCheck, docTypes);
    int docTypeFindings = 0;
    const Outcome outcome = CheckDocNumberFormat(host, docTypeFindings);
    events.CheckEnded("documentTypes", outcome);
    if (outcome != Outcome::Done)
        return failed(docTypes);
    events.StepDone(++position);
    events.ReportAppended(kReportSeparator);
    events.PhaseEnded(RunPhase::DocumentTypeCheck, docTypes);
    events.ReportAppended(services.loadText(IDS_CLOSING_HINT));
    result.outcome = Outcome::Done;
    events.Ended(Outcome::Done);
    return result;
}
