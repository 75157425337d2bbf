// The repairs of the invalid users' records, run by the repair run inside one transaction:
// DeleteInvalidUsers deletes the suspect users (the rows the user record check lists), and
// the eleven related-record repairs, once per suspect user, select the rows that still
// refer to that user exactly as the check's lookups do, log one line per row, and then
// hand all of them to the replacement account, or delete them (access and search rights),
// with one statement. Nothing is committed here. Every operation returns 0 when done (also
// when it found nothing) and 1 when a statement failed; a failed select has shown its
// message, a failed change has not.
#pragma once

#include "CheckHost.h"
#include "SqlServerSession.h"
#include "UserRecordCheck.h"

#include <string>
#include <vector>

// The account that inherits the records: a row of the valid accounts' query.
struct Account {
    std::string sn;
    std::string accountName;
    std::string domainName;
};

// "account@domain", or the account alone when the domain is empty.
std::string AccountDisplayName(const Account& account);

struct RepairCounters {
    int CorrectedRowCount = 0; // rows handed to the replacement account
    int DeletedRowCount = 0;   // access and search rights deleted
};

// One repair: the lookup it selects with, and what it logs and changes per row.
struct RelatedRecordRepair {
    // One user column of the table: its rows are logged with messageId and changed by
    // statement ("%s": the replacement SN, then the user SN; for a deletion the user SN).
    struct Change {
        int cell; // the cell that must hold the user SN for the row's line; -1: every row
        int messageId;
        const char* statement;
    };
    const RelatedRecordLookup* lookup;
    std::vector<Change> changes;
    bool deletes; // the rows are deleted (DeletedRowCount), not handed over
};

// The eleven repairs in the order the run applies them to each suspect user.
const std::vector<RelatedRecordRepair>& RelatedRecordRepairs();

// The table a change's statement changes, and for an update the column it sets.
std::string ChangedTable(const RelatedRecordRepair::Change& change);
std::string ChangedColumn(const RelatedRecordRepair::Change& change);

// What the repair writes down before it changes a row, so that the change can be undone:
// the rows a deletion will remove, read whole, and each value it hands over. A failure
// (told by the record) stops the repair before the change is sent.
class IRepairRecord {
public:
    virtual ~IRepairRecord() = default;
    // The rows of table that "delete from <table> where <condition>" is about to delete.
    virtual Outcome BeforeDelete(const std::string& table, const std::string& condition) = 0;
    // The value of column in the row sn of table, about to go from previous to written.
    virtual Outcome BeforeChange(const std::string& table, const std::string& sn,
                                 const std::string& column, const std::string& previous,
                                 const std::string& written) = 0;
};

// The chosen account, selected again inside the transaction: still one that may inherit
// (the valid accounts' conditions). Otherwise the failure is told.
extern const char kHeirQuery[]; // "%s": the account's SN
Outcome CheckHeir(ICheckHost& host, CSqlServerSession session, const Account& heir);

// Both write their log lines under cabinetName. The suspect users selected inside the
// transaction must be exactly those the check found (checked, in query order): otherwise
// nothing is deleted and the failure says the data changed since the check.
Outcome DeleteInvalidUsers(ICheckHost& host, const std::string& cabinetName,
                           CSqlServerSession session, const std::vector<std::string>& checked,
                           IRepairRecord& record);
Outcome RunRelatedRecordRepair(ICheckHost& host, const RelatedRecordRepair& repair,
                               const std::string& cabinetName, CSqlServerSession session,
                               const std::string& userSN, const Account& replacement,
                               RepairCounters& counters, IRepairRecord& record);
