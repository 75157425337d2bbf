// The version text from the program's own version resource, read as a resource: the
// version API lives in VERSION.dll, which is not one of Windows' known DLLs and so would be
// taken from the program's folder first.
#include "DialogWindow.h"

#include <cstdio>
#include <cstring>

std::string VersionText() {
    const HMODULE self = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                      MAKEINTRESOURCEW(16) /* RT_VERSION */);
    const HGLOBAL loaded = found != nullptr ? LoadResource(self, found) : nullptr;
    const auto* block =
        loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    const DWORD size = found != nullptr ? SizeofResource(self, found) : 0;
    // VS_VERSIONINFO: its length, the length of its value, its type, the key
    // L"VS_VERSION_INFO" with its terminator, padding to 32 bits, then the fixed file info.
    constexpr std::size_t kKeyEnd = 3 * sizeof(WORD) + sizeof(L"VS_VERSION_INFO");
    constexpr std::size_t kFixedInfo = (kKeyEnd + 3) & ~std::size_t(3);
    VS_FIXEDFILEINFO info{};
    WORD valueLength = 0;
    if (block == nullptr || size < kFixedInfo + sizeof info)
        return "Version";
    std::memcpy(&valueLength, block + sizeof(WORD), sizeof valueLength);
    std::memcpy(&info, block + kFixedInfo, sizeof info);
    if (valueLength < sizeof info || info.dwSignature != VS_FFI_SIGNATURE)
        return "Version";
    char text[64];
    std::snprintf(text, sizeof text, "Version %u.%u.%u.%u",
                  static_cast<unsigned>(HIWORD(info.dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(info.dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(info.dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(info.dwFileVersionLS)));
    return text;
}
