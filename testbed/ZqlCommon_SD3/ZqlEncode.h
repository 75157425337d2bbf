// Testbed-only additions to the helper library: the encoder that produces the stored form
// ZqlDecrypt2 reads, and the library's status codes.
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

// Plain wide text -> stored form "ZQ2:" + hex(cipher) + hex(checksum), as wide text.
ZQL_API ZqlStatus ZqlEncrypt2(const ZqlWideChar* plain, ZqlWideChar** out, ZqlAllocFn alloc);
