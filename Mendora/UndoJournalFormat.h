// The text of an undo journal (UndoJournal.h describes its records): lines of fields, each
// field escaped so that no value can end its field or its line, in UTF-8; and what a field
// may hold: names, SNs, column types and the values of each type.
#pragma once

#include "SqlConnection.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace undo_journal {

// One line with its LF: the fields (ANSI texts, or NULL) escaped and separated by TABs.
// Nothing when a text does not come back the same from UTF-8 (bytes code page 932 does not
// read), since the journal would then not hold it.
std::optional<std::string> FormatLine(const std::vector<SqlValue>& fields);

// The fields of a line (without its LF), as ANSI texts; false with why for a field that is
// not escaped as FormatLine escapes, not UTF-8, or holds a character code page 932 lacks.
bool ParseLine(std::string_view line, std::vector<SqlValue>& fields, std::string& why);

// The name of an ODBC SQL type code in the journal ("INTEGER", "WVARCHAR", ...), and back;
// only the types SQL Server's drivers describe columns with are known.
std::optional<std::string> TypeName(int type);
std::optional<int> TypeCode(std::string_view name);

// Whether a text is a value of the type as the driver gives it (SqlValue): decimal
// numbers, date and time in the canonical form, hexadecimal binary, or any text.
bool FitsType(int type, std::string_view value);

// An SN: decimal digits, at most 19.
bool IsSn(std::string_view text);
// A count: decimal digits, at most 18.
bool IsCount(std::string_view text);
// A table or column name as the cabinet schema spells them: a letter or '_', then letters,
// digits and '_', at most 128.
bool IsName(std::string_view text);

} // namespace undo_journal
