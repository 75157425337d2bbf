// The server's helper library ZqlCommon_SD3, as the tools call it: it turns the encoded
// login and password kept in the cabinet catalogue into plain text. Its functions:
//   ZqlAsciiToString(narrow text, out wide text, allocator)      -> status
//   ZqlDecrypt2(wide encoded text, out wide plain text, allocator) -> status, 0 on success
//   ZqlStringToAscii(wide text, out narrow text, allocator)      -> status
//   ZqlFreeMemory(narrow text, release), ZqlFreeMemory(wide text, release)
// Every text it returns is released through the matching ZqlFreeMemory. The tools bind the
// library when they start (HelperLibrary.h); these are the types its functions use.
#pragma once

#include <cstddef>

#if defined(_WIN32)
typedef wchar_t ZqlWideChar; // UTF-16 on Windows
#else
typedef char16_t ZqlWideChar; // UTF-16 code units where wchar_t is wider
#endif

// Allocation and release callbacks; the tools always pass null, which selects the
// library's own allocator.
typedef void* (*ZqlAllocFn)(std::size_t bytes);
typedef void (*ZqlReleaseFn)(void* block);

// Status of every call: 0 is success, anything else a failure of the library's own kind.
typedef int ZqlStatus;
