// The document type repair: every document type the document type check reports gets its
// initial numbering format back, a real NULL in place of the text 'NULL'. The caller
// selects the findings (SelectNullFormats) before it changes anything; they are updated one
// by one, each statement in its own interpreter process: no transaction spans them, so the
// types updated before a failure stay repaired.
#pragma once

#include "CheckHost.h"
#include "TokenList.h"

#include <functional>
#include <string>

// "%s" takes the document type's SN; a type whose format no longer holds 'NULL' is left.
extern const char kDocNumberFormatUpdate[];

// 0 when every finding of lines (the select's, header first) was repaired (also when there
// was none), 1 at the first failure. correctedCount gains 1 per accepted update; applied
// hears of each type the update changed, and a failure it answers stops the repair.
using AppliedFn = std::function<Outcome(const std::string& sn)>;
Outcome RepairDocNumberFormat(ICheckHost& host, const CTokenList& lines, int& correctedCount,
                              const AppliedFn& applied);
