// The stand-in's functions: the five the tools call (see runtime/ZqlCommon.h), the encoder
// that produces the stored form ZqlDecrypt2 reads, and the library's status codes. The DLL
// exports the five under the names Microsoft's compiler gives them (ZqlCommon_SD3.def).
#pragma once

#include "ZqlCommon.h"

enum : ZqlStatus {
    ZQL_OK = 0,
    ZQL_E_ARGUMENT = 1,   // a required pointer was null
    ZQL_E_MALFORMED = 2,  // not of the form ZQ2:<hex>, odd length, bad digit, embedded NUL
    ZQL_E_CHECKSUM = 3,   // well formed, but the checksum does not match the decoded text
    ZQL_E_CONVERSION = 4, // text not representable in the target character set
    ZQL_E_NOMEMORY = 5,   // the allocator returned null
};

ZqlStatus ZqlAsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn alloc);
ZqlStatus ZqlDecrypt2(const ZqlWideChar* encoded, ZqlWideChar** out, ZqlAllocFn alloc);
ZqlStatus ZqlStringToAscii(const ZqlWideChar* text, char** out, ZqlAllocFn alloc);
void ZqlFreeMemory(char* text, ZqlReleaseFn release);
void ZqlFreeMemory(ZqlWideChar* text, ZqlReleaseFn release);

// Plain wide text -> stored form "ZQ2:" + hex(cipher) + hex(checksum), as wide text.
ZqlStatus ZqlEncrypt2(const ZqlWideChar* plain, ZqlWideChar** out, ZqlAllocFn alloc);
