// The user record check: the cabinet's malformed UserOrGroup rows and, for each, every
// record of the cabinet that still points at it. Scrutel only reports; Mendora also keeps
// the suspect users' SNs and counts for its repair run, which selects the same records
// again with the same column lists and from clauses.
#pragma once

#include "CabinetCatalogue.h"
#include "CheckHost.h"
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
    const char* columns;        // Scrutel's column list
    const char* mendoraColumns; // Mendora's, where it differs
    const char* fromClause;     // every "%s" takes the user's SN
    int messageId;
    const char* failureText; // UTF-8
    Shows shows;
    bool mendoraOnly;
};

// The lookups in the order both tools run them (Mendora runs all, Scrutel skips the
// Mendora-only ones).
const std::vector<RelatedRecordLookup>& RelatedRecordLookups();

// "select <columns> from <from clause>" for one user.
std::string LookupStatement(const RelatedRecordLookup& lookup, ToolVariant variant,
                            const std::string& userSN);

// 0 when the check ran to its end, 1 when a statement failed (its message was shown).
int CheckUserRecords(ICheckHost& host, const CabinetRecord& cabinet, CSqlServerSession session);

// One lookup for one suspect user: 0 done, 1 failed.
int RunRelatedRecordLookup(ICheckHost& host, const RelatedRecordLookup& lookup,
                           const std::string& shortName, CSqlServerSession session,
                           const std::string& userSN);
