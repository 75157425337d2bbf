// The document type check: the document types of the installation's document-type
// database whose numbering format holds the four-letter text 'NULL' instead of a real NULL,
// reported by display name. It goes through the interpreter, not SQL Server: the database
// belongs to the server's embedded engine and is shared by all cabinets. The statement is
// the tool's (the tools differ only in its white space).
#pragma once

#include "CheckHost.h"
#include "TokenList.h"

// 0 when the check ran to its end, 1 when it failed. findingCount is set when the check
// gets as far as its report section, and left as it was otherwise.
Outcome CheckDocNumberFormat(ICheckHost& host, int& findingCount);

// The check's select, shared with the repair: 0 with the interpreter's lines (a header,
// then one line per finding: SN, display name, format), or 1 when it failed, after its
// message box and log entry.
Outcome SelectNullFormats(ICheckHost& host, CTokenList& lines);

// A failure of the document types: its log line of text and text2, and the message shown
// when there is one; answers Failed.
Outcome DocTypeFailure(ICheckHost& host, const std::string& text, const std::string& text2 = {},
                       const std::string& shown = {});

extern const char kDocTypeLabel[]; // "文書タイプ", UTF-8
