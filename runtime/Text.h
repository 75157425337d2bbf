// Conversions between the UTF-8 of the sources, the ANSI code page the tools work in (932
// on their machines) and UTF-16. Only the edges convert: literals when they are used,
// wide texts when they arrive from or go to a wide interface.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// ANSI text of a UTF-8 literal. Natively (tests) the ANSI code page is 932.
std::string Ansi(const char* utf8);

// UTF-8 text of ANSI text (for printing in tests and tools of the testbed, and for files the
// tools write in UTF-8).
std::string Utf8FromAnsi(const std::string& ansi);

// ANSI text of UTF-8 text read from a file. Neither conversion tells what it could not
// convert: a caller that needs the same text back converts it back and compares.
std::string AnsiFromUtf8(std::string_view utf8);

// UTF-16 text of ANSI text, for wide interfaces.
std::u16string Utf16FromAnsi(const std::string& ansi);

#if defined(_WIN32)
// The same as the wide text of Windows' own calls.
std::wstring WideFromAnsi(const std::string& ansi);
#endif

// Appends the UTF-16 text of ANSI text: at most one unit for each byte, so that room for
// ansi.size() more units is enough.
void AppendUtf16FromAnsi(std::u16string& out, std::string_view ansi);

// Appends the ANSI text of length UTF-16 units; a character without an ANSI form becomes
// the code page's default character.
void AppendAnsiFromUtf16(std::string& out, const char16_t* text, std::size_t length);
