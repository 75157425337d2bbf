// Mendora's two runs, which know no window: the check of one cabinet (its user records,
// then the document types) and the repair of what that check found (the user repair
// inside one SQL Server transaction, then the document type repair). Each tells its
// events as it goes and returns what it ended with and why; the dialog only shows them.
//
// A failure inside the transaction rolls it back at once: the log then says that the
// cabinet's repair failed and nothing of it was changed, and so does the report in place of
// the sections that could not be written. The per-row lines logged before the failure stay
// as the record of what was attempted; the closing line of the repair is logged only after
// a commit. The document type repair is not started then. A COMMIT whose answer is lost
// is looked into on a new connection: the report and the log say whether it committed,
// did not, or cannot be told.
#pragma once

#include "RunServices.h"
#include "UserRecordCheck.h"
#include "UserRepair.h"

#include <string>

struct CabinetCheckResult {
    Outcome outcome = Outcome::Failed;
    UserCheckResult users; // kept only when the user check ran to its end
    int docTypeFindings = 0;
};

// The check of the cabinet: logged in to it first (both failures told), then its user
// records and the document types, with a pause for the reader after each.
CabinetCheckResult CheckForRepair(const CabinetRecord& cabinet, const RunServices& services,
                                  IRunEvents& events);

// The valid accounts of a cabinet, by SN; sent unformatted, so both percent signs reach
// the server.
extern const char kValidAccountQuery[];

// The accounts that may inherit the invalid users' records, on a session of their own;
// a failure is told.
Outcome ListValidAccounts(const CabinetRecord& cabinet, const RunServices& services,
                          IRunEvents& events, std::vector<Account>& accounts);

enum class UserRepairOutcome {
    NotRun,     // there were no invalid users
    Committed,  // the transaction committed (also when only a new connection could tell)
    RolledBack, // a step failed, or COMMIT did and did not take effect: nothing changed
    Unknown,    // COMMIT failed and what the server did could not be found out
};

struct RepairRunResult {
    Outcome outcome = Outcome::Failed; // Done when the run reached its end
    UserRepairOutcome users = UserRepairOutcome::NotRun;
    std::string reason; // the message of the failure that ended the run
    RepairCounters counters;
    int correctedDocTypes = 0;
    std::string journal; // the full path of the undo journal, once it holds the whole repair
};

// The repair of what check found on the cabinet: replacement inherits the invalid users'
// records.
RepairRunResult RunRepair(const CabinetRecord& cabinet, const CabinetCheckResult& check,
                          const Account& replacement, const RunServices& services,
                          IRunEvents& events);
