// Splitting of interpreter output into lines, values and fields.
//
// A CTokenList owns a private copy of the text it splits (up to its first zero byte, as a C
// string ends); tokens point into that copy, where the split wrote a terminator after each
// token. Both splits respect double-byte characters
// of code page 932 (see Mbcs.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CTokenList {
public:
    CTokenList() = default;
    CTokenList(const CTokenList&) = delete;
    CTokenList& operator=(const CTokenList&) = delete;
    CTokenList(CTokenList&& other) noexcept;
    CTokenList& operator=(CTokenList&& other) noexcept;

    std::size_t Count() const { return count_; }
    // The token at index, or an empty text past the last one: a line with fewer values
    // than expected reads as empty values, never past its end.
    const char* At(std::size_t index) const { return index < count_ ? tokens_[index] : ""; }

    friend CTokenList SplitBySet(std::string_view text, const char* separators);
    friend CTokenList SplitBySeparator(std::string_view text, const char* separator);

private:
    std::vector<char> text_;
    std::vector<char*> tokens_;
    std::size_t count_ = 0;
};

// Tokenises like _mbstok: runs of any character of the set separate tokens and leading or
// trailing separators yield nothing. The list has one slot more than the number of
// occurrences of the set's first character; the tokeniser runs once per slot, so when runs
// of separators collapse the last slots stay empty and Count() is smaller.
CTokenList SplitBySet(std::string_view text, const char* separators);

// Splits at every occurrence of the whole separator, never inside a double-byte character;
// empty fields are kept, so Count() is the number of occurrences plus one (an empty text
// gives one empty field, a text ending with the separator an empty last one).
CTokenList SplitBySeparator(std::string_view text, const char* separator);

// The same split into strings (the SQL Server result text's rows and columns), or into
// views of the text, which the caller keeps alive. The text's zero bytes stay in it: the
// search for separators ends at the first of them.
void SplitText(std::string_view text, std::string_view separator, std::vector<std::string>& pieces);
void SplitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& pieces);
