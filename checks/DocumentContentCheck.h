// Scrutel's five document content checks: documents with more than 200 sections, sections
// of zero bytes, sections above 104857600 bytes, checked-out documents and sections with an
// unsupported extension. One statement each, one report section with the row count, one
// log entry per row; they differ only in the values of their table entry.
#pragma once

#include "CabinetCatalogue.h"
#include "CheckHost.h"
#include "SqlServerSession.h"

#include <vector>

struct DocumentContentCheck {
    const char* name;
    const char* statement; // UTF-8, sent in the ANSI code page
    int headerId;
    int messageId;
    const char* failureText; // UTF-8
    // Message arguments: the columns before this one, then the trash suffix of this one.
    int trashColumn;
    // The checked-out check shows the user as account, or account@domain, in place of
    // columns 1 and 2.
    bool showsCheckOutUser;
};

// The five checks in the order the check run calls them.
const std::vector<DocumentContentCheck>& DocumentContentChecks();

// 0 when the check ran to its end, 1 when its statement failed (its message was shown).
Outcome RunDocumentContentCheck(ICheckHost& host, const DocumentContentCheck& check,
                                const CabinetRecord& cabinet, CSqlServerSession session);

// The check at a position of DocumentContentChecks(), as a function a run can list.
template <std::size_t Position>
Outcome DocumentContentCheckAt(ICheckHost& host, const CabinetRecord& cabinet,
                               CSqlServerSession session) {
    return RunDocumentContentCheck(host, DocumentContentChecks()[Position], cabinet, session);
}
