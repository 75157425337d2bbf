// The interpreter's output as the tools split it: lines, then the values of a listing or
// document type row and the fields of a catalogue row with their braces. Each split is
// compared with the grammar of SqliQuery.h and TokenList.h, worked out here by walking the
// text character by character.
#include "FuzzCheck.h"
#include "SqliQuery.h"
#include "TokenList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Span {
    std::size_t at, size;
};

void CheckTokens(const std::string& text, const std::vector<Span>& expected,
                 const CTokenList& list) {
    FUZZ_CHECK(list.Count() == expected.size());
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const Span& s = expected[i];
        FUZZ_CHECK(std::strlen(list.At(i)) == s.size &&
                   text.compare(s.at, s.size, list.At(i)) == 0);
    }
    FUZZ_CHECK(*list.At(list.Count()) == '\0');
}

// SplitBySet: the runs between separator characters, in order; the list has one slot more
// than the occurrences of the set's first character, and runs beyond the slots are dropped.
void CheckSetSplit(const std::string& input, const char* set, const CTokenList& list) {
    const std::string text = input.c_str(); // splits read up to the first zero byte
    std::vector<Span> runs;
    std::size_t slots = 1;
    bool inRun = false;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = fuzz::CharAt(text, i);
        if (n == 1 && std::strchr(set, text[i]) != nullptr) {
            inRun = false;
            slots += text[i] == set[0] ? 1 : 0;
        } else {
            if (!inRun)
                runs.push_back({i, 0});
            inRun = true;
            runs.back().size += n;
        }
        i += n;
    }
    runs.resize(std::min(slots, runs.size()));
    CheckTokens(text, runs, list);
}

// SplitBySeparator: the fields between whole separators that start on a character boundary;
// empty fields are kept.
void CheckSeparatorSplit(const std::string& input, const std::string& separator,
                         const CTokenList& list) {
    const std::string text = input.c_str();
    std::vector<Span> fields = {{0, 0}};
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, separator.size(), separator) == 0) {
            i += separator.size();
            fields.push_back({i, 0});
        } else {
            const std::size_t n = fuzz::CharAt(text, i);
            fields.back().size += n;
            i += n;
        }
    }
    CheckTokens(text, fields, list);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string output(reinterpret_cast<const char*>(data), size);
    CTokenList lines; // assigned as the checks assign it, so that a move must keep the tokens
    lines = SplitLines(output);
    CheckSetSplit(output, "\n\r", lines);
    // An error is a text whose first line, after any empty ones, begins "[ERROR]".
    const std::string text = output.c_str();
    const std::size_t first = text.find_first_not_of("\r\n");
    FUZZ_CHECK((lines.Count() > 0 && IsInterpreterError(lines.At(0))) ==
               (first != std::string::npos && text.compare(first, 7, "[ERROR]") == 0));
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string line = lines.At(i);
        CheckSetSplit(line, ",{}", SplitValues(line));
        const CTokenList fields = SplitBySeparator(line, ",|,");
        CheckSeparatorSplit(line, ",|,", fields);
        for (std::size_t f = 0; f < fields.Count(); ++f)
            CheckSetSplit(fields.At(f), "{}", SplitBySet(fields.At(f), "{}"));
    }
    return 0;
}
