// The user record check: the cabinet's malformed UserOrGroup rows and, for each, every
// record of the cabinet that still points at it. Scrutel only reports; Mendora also keeps
// the suspect users' SNs and counts for its repair run, which selects the same records
// again with the same column lists and from clauses.
#pragma once

#include "CabinetCatalogue.h"
#include "CheckHost.h"
#include "Findings.h"
#include "SqlServerSession.h"

#include <string>
#include <vector>

// The suspect-user query, sent exactly as written: the pattern reaches the server as
// '[A-Z]%%' (two wildcards).
extern const char kSuspectUserQuery[];

// One table that refers to users.
struct RelatedRecordLookup {
    enum class Shows {
        Trash,              // user SN, row SN, trash suffix (column 1 is IsTrash)
        Reference,          // user SN, row SN, tail (parent) document, head (child) document
        VersionSeries,      // user SN, row SN, document number
        VersionDescription, // user SN, row SN, version series, version number
        SerialNumber,       // user SN, row SN
    };
    const char* table;
    const char* columns;       // Scrutel's column list
    const char* repairColumns; // the repair's (lookupsForRepair), where it differs
    const char* fromClause;    // every "%s" takes the user's SN
    int messageId;
    const char* failureText; // UTF-8
    Shows shows;
    bool repairOnly; // run only with lookupsForRepair
};

// The lookups in the order both tools run them (options with lookupsForRepair run all,
// the others skip the repair-only ones).
const std::vector<RelatedRecordLookup>& RelatedRecordLookups();

// What a row of the lookup shows of itself: the user's SN, the row's SN and the columns
// its table names (the tail document before the head), without the trash suffix; views of
// userSN and of the row.
void RowFields(const RelatedRecordLookup& lookup, std::string_view userSN, const CRowReader& row,
               std::vector<std::string_view>& fields);

// "select <columns> from <from clause>" for one user, with the options' column list.
std::string LookupStatement(const RelatedRecordLookup& lookup, const CheckOptions& options,
                            const std::string& userSN);

// What the check found, for the repair run that hands over the records of exactly these
// users.
struct UserCheckResult {
    int InvalidUserCount = 0;                // the server's row count of the suspect users
    std::vector<std::string> InvalidUserSNs; // their SNs, in query order
    int RelatedRecordCount = 0;              // rows found by all lookups for all of them
};

// 0 when the check ran to its end, 1 when a statement failed (its failure was told).
// found holds what the check met up to its end or its failure.
Outcome CheckUserRecords(ICheckHost& host, const CabinetRecord& cabinet, CSqlServerSession session,
                         UserCheckResult& found);

// One lookup for one suspect user: 0 done, 1 failed. Adds the rows found to relatedCount.
Outcome RunRelatedRecordLookup(ICheckHost& host, const RelatedRecordLookup& lookup,
                               const std::string& shortName, CSqlServerSession session,
                               const std::string& userSN, int& relatedCount);
