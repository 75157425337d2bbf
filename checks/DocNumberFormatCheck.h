// The document type check: the document types of the installation's document-type
// database whose numbering format holds the four-letter text 'NULL' instead of a real NULL,
// reported by display name. It goes through the interpreter, not SQL Server: the database
// belongs to the server's embedded engine and is shared by all cabinets.
#pragma once

#include "CheckHost.h"

// The tools' statements; they differ only in the white space before "from", "where" and
// the last "and".
extern const char kMendoraDocTypeQuery[];
extern const char kScrutelDocTypeQuery[];

// 0 when the check ran to its end, 1 when it failed.
int CheckDocNumberFormat(ICheckHost& host);
