// The server's helper library ZqlCommon_SD3, as the tools call it: it turns the encoded
// login and password kept in the cabinet catalogue into plain text. The tools bind it at
// load time by import; every text it returns is released through the matching
// ZqlFreeMemory.
#pragma once

#include <cstddef>

#if defined(_WIN32)
typedef wchar_t ZqlWideChar; // UTF-16 on Windows
#if defined(ZQLCOMMON_BUILD)
#define ZQL_API __declspec(dllexport)
#else
#define ZQL_API __declspec(dllimport)
#endif
#else
typedef char16_t ZqlWideChar; // UTF-16 code units where wchar_t is wider
#define ZQL_API __attribute__((visibility("default")))
#endif

// Allocation and release callbacks; the tools always pass null, which selects the
// library's own allocator.
typedef void* (*ZqlAllocFn)(std::size_t bytes);
typedef void (*ZqlReleaseFn)(void* block);

// Status of every call: 0 is success, anything else a failure of the library's own kind.
typedef int ZqlStatus;

ZQL_API ZqlStatus ZqlAsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn alloc);
ZQL_API ZqlStatus ZqlDecrypt2(const ZqlWideChar* encoded, ZqlWideChar** out, ZqlAllocFn alloc);
ZQL_API ZqlStatus ZqlStringToAscii(const ZqlWideChar* text, char** out, ZqlAllocFn alloc);
ZQL_API void ZqlFreeMemory(char* text, ZqlReleaseFn release);
ZQL_API void ZqlFreeMemory(ZqlWideChar* text, ZqlReleaseFn release);
