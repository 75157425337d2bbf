// The DLL's entry points: C-linkage forwarders that ZqlCommon_SD3.def exports under the
// names a library built by Microsoft's compiler has, as on a server.
#include "ZqlEncode.h"

extern "C" {
ZqlStatus Sd3AsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn alloc) {
    return ZqlAsciiToString(text, out, alloc);
}
ZqlStatus Sd3Decrypt2(const ZqlWideChar* encoded, ZqlWideChar** out, ZqlAllocFn alloc) {
    return ZqlDecrypt2(encoded, out, alloc);
}
ZqlStatus Sd3StringToAscii(const ZqlWideChar* text, char** out, ZqlAllocFn alloc) {
    return ZqlStringToAscii(text, out, alloc);
}
void Sd3FreeNarrow(char* text, ZqlReleaseFn release) {
    ZqlFreeMemory(text, release);
}
void Sd3FreeWide(ZqlWideChar* text, ZqlReleaseFn release) {
    ZqlFreeMemory(text, release);
}
}
