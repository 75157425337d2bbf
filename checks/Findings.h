// The forms every check shares: reading the rows of a result text, section headers in the
// report, failures, the trash suffix, and message formatting.
#pragma once

#include "CheckHost.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Row = std::vector<std::string>;

// Reads a result text one row at a time: rows at "\r\n", columns at "\t", each value
// right-trimmed (blanks, tabs, line breaks). The rows are the pieces of the text, whatever
// count the server reported. The values are views into the text, good until the next row is
// read; nothing of the text is copied.
class CRowReader {
public:
    explicit CRowReader(std::string_view text) : rest_(text) {}
    // Moves to the next row; false when there is none left.
    bool Next();
    // The value at a position, or empty when the row is shorter.
    std::string_view Column(std::size_t position) const {
        return position < values_.size() ? values_[position] : std::string_view();
    }
    const std::vector<std::string_view>& Values() const { return values_; }

private:
    std::string_view rest_;
    bool ended_ = false;
    std::vector<std::string_view> values_;
};

// All rows at once, as copies.
std::vector<Row> ReadRows(std::string_view text);

// The value at a position, or empty when the row is shorter.
const std::string& Column(const Row& row, std::size_t position);

std::string_view RightTrim(std::string_view value);

// Replaces each "%s" of the template by the next argument, in order; a template with
// more "%s" than arguments gets empty texts. The second form writes into out, whose room
// is kept from one row to the next.
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> arguments);
void FormatText(std::string_view format, const std::vector<std::string_view>& arguments,
                std::string& out);

// Whether a row's in-trash value gives it the trash suffix: exactly "1" after trimming.
bool IsInTrash(std::string_view inTrash);
// The trash suffix of the tool.
std::string TrashSuffix(const ICheckHost& host);

// Formats the header with the count, appends it to the report and counts the check.
void AppendSection(ICheckHost& host, int headerId, long count);

// A step failed with a message for the administrator and no log line of its own; answers
// Failed.
Outcome ShowFailure(ICheckHost& host, const std::string& message);

// The header text as one log line: every "\r\n" becomes a blank.
std::string OneLine(const std::string& text);

// Whether an SN text from the server is a decimal number, and so may go into a statement.
bool IsDecimalNumber(std::string_view text);
