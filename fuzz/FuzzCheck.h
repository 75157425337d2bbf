// What the fuzz targets share: a check that ends the run with a report libFuzzer keeps, and
// the code page 932 character walk the targets hold the parsers to. The walk is written
// here again, not taken from Mbcs.h, so that a fault there cannot hide itself.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

inline bool IsLead(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes of the character at text[at], read as the tools read a zero-terminated text: a
// lead byte before the end or before a zero byte stands alone.
inline std::size_t CharAt(const std::string& text, std::size_t at) {
    return IsLead(text[at]) && at + 1 < text.size() && text[at + 1] != '\0' ? 2 : 1;
}

// For each offset 0..size of text, whether a character starts there when text is read from
// its start.
inline std::vector<bool> CharStarts(const std::string& text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (std::size_t i = 0; i <= text.size(); i += i < text.size() ? CharAt(text, i) : 1)
        starts[i] = true;
    return starts;
}

// Whether the zero-terminated text ends in a lead byte without its trail byte.
inline bool EndsInLoneLead(const char* text) {
    for (const char* p = text; *p != '\0'; p += IsLead(*p) ? 2 : 1) {
        if (IsLead(*p) && p[1] == '\0')
            return true;
    }
    return false;
}

} // namespace fuzz
