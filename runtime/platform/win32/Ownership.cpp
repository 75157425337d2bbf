#include "Ownership.h"

#include "HandOverRecord.h"
#include "Win32Handles.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// One SID of the process's token: TokenOwner or TokenUser, whose structures both begin with it.
std::string TokenSid(TOKEN_INFORMATION_CLASS which) {
    CKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return {};
    DWORD size = 0;
    GetTokenInformation(token.Get(), which, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size < sizeof(PSID) || !GetTokenInformation(token.Get(), which, buffer.data(), size, &size))
        return {};
    return SidText(*reinterpret_cast<PSID*>(buffer.data()));
}

} // namespace

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, &text))
        return {};
    std::string result = text;
    LocalFree(text);
    return result;
}

std::string OwnDefaultOwner() {
    return TokenSid(TokenOwner);
}

std::string OwnUser() {
    return TokenSid(TokenUser);
}

std::string OwnerOf(HANDLE object, SE_OBJECT_TYPE type) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return {};
    std::string text = SidText(owner);
    LocalFree(descriptor);
    return text;
}

bool IsOwnedByTrusted(const std::string& owner) {
    return IsTrustedOwner(owner, OwnDefaultOwner()) || IsTrustedOwner(owner, OwnUser());
}
