// Conversions between the UTF-8 of the sources, the ANSI code page the tools work in (932
// on their machines) and UTF-16. Only the edges convert: literals when they are used,
// wide texts when they arrive from or go to a wide interface.
#pragma once

#include <string>

// ANSI text of a UTF-8 literal. Natively (tests) the ANSI code page is 932.
std::string Ansi(const char* utf8);

// UTF-8 text of ANSI text (for printing in tests and tools of the testbed).
std::string Utf8FromAnsi(const std::string& ansi);
