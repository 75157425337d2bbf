// The SQL Server result text as the checks read it: rows at "\r\n", columns at "\t", each
// value right-trimmed. The pieces of a split must give back the whole text, split at every
// separator that starts on a character boundary before the first zero byte (where the search
// ends) and nowhere else; a value must be its column with the trailing blanks, and only
// those, taken off.
#include "Findings.h"
#include "FuzzCheck.h"
#include "SqlServerSession.h"
#include "TokenList.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

void CheckSplit(const std::string& text, const std::string& separator,
                const std::vector<std::string>& pieces) {
    FUZZ_CHECK(!pieces.empty());
    const std::vector<bool> starts = fuzz::CharStarts(text);
    const std::size_t searched = std::strlen(text.c_str());
    const auto separatorAt = [&](std::size_t i) {
        return starts[i] && text.compare(i, separator.size(), separator) == 0;
    };
    std::size_t at = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        FUZZ_CHECK(text.compare(at, pieces[i].size(), pieces[i]) == 0);
        for (std::size_t j = at; j < at + pieces[i].size() && j < searched; ++j)
            FUZZ_CHECK(!separatorAt(j));
        at += pieces[i].size();
        if (i + 1 < pieces.size()) {
            FUZZ_CHECK(at < searched && separatorAt(at));
            at += separator.size();
        }
    }
    FUZZ_CHECK(at == text.size());
}

void CheckTrimmed(const std::string& raw, const std::string& value) {
    static const std::string blanks = " \t\r\n";
    FUZZ_CHECK(raw.compare(0, value.size(), value) == 0);
    FUZZ_CHECK(raw.find_first_not_of(blanks, value.size()) == std::string::npos);
    FUZZ_CHECK(value.empty() || blanks.find(value.back()) == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    SplitText(text, "\r\n", lines);
    CheckSplit(text, "\r\n", lines);

    const std::vector<Row> rows = ReadRows(text);
    FUZZ_CHECK(rows.size() == lines.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::string> columns;
        SplitText(lines[i], "\t", columns);
        CheckSplit(lines[i], "\t", columns);
        FUZZ_CHECK(rows[i].size() == columns.size());
        for (std::size_t j = 0; j < columns.size(); ++j) {
            CheckTrimmed(columns[j], rows[i][j]);
            FUZZ_CHECK(&Column(rows[i], j) == &rows[i][j]);
        }
        FUZZ_CHECK(Column(rows[i], columns.size()).empty());
    }
    return 0;
}
