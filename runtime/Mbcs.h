// Byte-level helpers for ANSI text in code page 932 (Shift_JIS as Windows writes it).
//
// The tools handle every text as the bytes of the system code page. Searching and splitting
// must not take the second byte of a double-byte character for an ASCII separator: in code
// page 932 a trail byte can equal '\\', '|', '{' or '}'. These helpers know the lead bytes
// of code page 932 on every host, so that the same text splits the same way on Linux and
// on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mbcs {

// True for a byte that starts a double-byte character in code page 932.
inline bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character starting at s (1 or 2; 1 at a lead byte followed by the
// terminator, so that a cut text never runs past its end).
inline std::size_t CharLength(const char* s) {
    return IsLeadByte(static_cast<unsigned char>(s[0])) && s[1] != '\0' ? 2 : 1;
}

// The first occurrence of the single-byte character c outside double-byte characters, or
// null.
const char* FindChar(const char* text, char c);

// The last occurrence of c outside double-byte characters, or null.
const char* FindLastChar(const char* text, char c);

// The offset of the first occurrence of needle that starts on a character boundary, or
// npos; an empty needle is found at the start. The search ends at the first zero byte, as
// in a C string, or at the end of text, where a lead byte is a character of its own (as
// before a terminator).
std::size_t FindSubstring(std::string_view text, std::string_view needle);

// The longest prefix of text of at most maxBytes bytes that does not end inside a
// double-byte character.
std::size_t PrefixLength(const std::string& text, std::size_t maxBytes);

// Copies text into a fixed field of fieldSize bytes (terminator included), cut on a
// character boundary and zero-filled.
void CopyToField(char* field, std::size_t fieldSize, const std::string& text);

} // namespace mbcs
