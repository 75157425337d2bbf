// The forms every check shares: reading the rows of a result text, section headers in the
// report, finding entries in the log, the trash suffix, and message formatting.
#pragma once

#include "CheckHost.h"

#include <string>
#include <vector>

using Row = std::vector<std::string>;

// Rows at "\r\n", columns at "\t", each value right-trimmed (blanks, tabs, line breaks).
// The rows are the pieces of the text, whatever count the server reported.
std::vector<Row> ReadRows(const std::string& text);

// The value at a position, or empty when the row is shorter.
const std::string& Column(const Row& row, std::size_t position);

std::string RightTrim(const std::string& value);

// Replaces each "%s" of the template by the next argument, in order; a template with
// more "%s" than arguments gets empty texts.
std::string FormatText(const std::string& format, const std::vector<std::string>& arguments);

// The trash suffix when the in-trash value is exactly "1" after trimming, else empty.
std::string TrashSuffix(const ICheckHost& host, const std::string& inTrash);

// Formats the header with the count and appends it to the report.
void AppendSection(ICheckHost& host, int headerId, long count);

// A failure entry of the cabinet: short name, message, two empty fields.
void WriteFinding(ICheckHost& host, const std::string& shortName, const std::string& message);

// The header text as one log line: every "\r\n" becomes a blank.
std::string OneLine(const std::string& text);

// Whether an SN text from the server is a decimal number, and so may go into a statement.
bool IsDecimalNumber(const std::string& text);
