// The document type repair: every document type the document type check reports gets its
// initial numbering format back, a real NULL in place of the text 'NULL'. It selects the
// findings again and updates them one by one, each statement in its own interpreter
// process: no transaction spans them, so the types updated before a failure stay repaired.
#pragma once

#include "CheckHost.h"

// "%s" takes the document type's SN; a type whose format no longer holds 'NULL' is left.
extern const char kDocNumberFormatUpdate[];

// 0 when every finding was repaired (also when there was none), 1 at the first failure.
// correctedCount gains 1 per accepted update.
Outcome RepairDocNumberFormat(ICheckHost& host, int& correctedCount);
