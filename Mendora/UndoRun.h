// Putting a cabinet back as a repair's undo journal says it was. The journal is outside
// input even when its SHA-256 is the recorded one: every name in a statement is one the
// repair may touch (the reader refuses others) or, for a column of a deleted row, a plain
// name in brackets, and every value goes in as a literal of its journal type, checked
// against that type first.
//
// The cabinet's part runs in one transaction: every row the repair touched is first
// compared with what the repair left there; any difference rolls back before anything is
// written. Only then are the deleted rows inserted again and the previous values put back,
// each update still conditioned on the value the repair wrote. The document types follow
// after COMMIT through the interpreter, each one only where it still holds the repair's
// value; one that does not is a difference of its own, and the others are put back.
#pragma once

#include "RunServices.h"
#include "UndoJournal.h"

#include <optional>
#include <string>
#include <vector>

// What a journal must hold for an undo beyond what its reader checks: a committed repair
// (its "ready" record), an SN column in every table of deleted rows, and document type
// values the interpreter's command line carries as they are. False, with why.
bool CheckUndoable(const UndoJournal& journal, std::string& why);

// A value as a T-SQL literal of the journal's type: numbers verbatim, texts N'...' (a NUL
// as NCHAR(0)), binary 0x..., date and time '...', NULL; nothing when the value is not one
// of its type.
std::optional<std::string> SqlLiteral(int type, const SqlValue& value);

enum class UndoEnd {
    Done,    // put back
    Differs, // something no longer held what the repair wrote: listed, nothing of it changed
    Failed,  // a statement failed (the cabinet's part rolled back)
};

struct UndoOutcome {
    UndoEnd end = UndoEnd::Failed;
    std::vector<std::string> differences; // ANSI, one line each
    std::string reason;                   // why it failed (ANSI)
    long insertedRows = 0, restoredValues = 0;
};

// The cabinet's part on a session with its database open; Done when it committed.
UndoOutcome UndoCabinet(CSqlServerSession& session, const UndoJournal& journal);

// The document types' part through the interpreter: Differs when some had changed since (the
// others are put back).
UndoOutcome UndoDocTypes(const RunServices& services, const UndoJournal& journal);
