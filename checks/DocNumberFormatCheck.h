// The document type check: the document types of the installation's document-type
// database whose numbering format holds the four-letter text 'NULL' instead of a real NULL,
// reported by display name. It goes through the interpreter, not SQL Server: the database
// belongs to the server's embedded engine and is shared by all cabinets. The statement is
// the profile's (the tools differ only in its white space).
#pragma once

#include "CheckHost.h"

// 0 when the check ran to its end, 1 when it failed. findingCount is set when the check
// gets as far as its report section, and left as it was otherwise.
int CheckDocNumberFormat(ICheckHost& host, int& findingCount);
