#include "AdminMutex.h"

#include "ServiceHandOver.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>

namespace {

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, &text))
        return {};
    std::string result = text;
    LocalFree(text);
    return result;
}

// The owner this process's token gives the objects it creates.
std::string OwnDefaultOwner() {
    CKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return {};
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenOwner, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (size == 0 || !GetTokenInformation(token.Get(), TokenOwner, buffer.data(), size, &size))
        return {};
    return SidText(reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner);
}

std::string OwnerOf(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    std::string text = SidText(owner);
    LocalFree(descriptor);
    return text;
}

} // namespace

AdminMutex CreateAdminMutex(const char* name, bool initialOwner, CKernelHandle& handle) {
    handle.Reset();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1, &descriptor, nullptr))
        return AdminMutex::Untrusted;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    handle.Reset(CreateMutexA(&attributes, initialOwner ? TRUE : FALSE, name));
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (!handle.Valid()) // access denied, or an object of another kind holds the name
        return AdminMutex::Untrusted;
    if (error != ERROR_ALREADY_EXISTS)
        return AdminMutex::Created;
    if (IsTrustedOwner(OwnerOf(handle.Get()), OwnDefaultOwner()))
        return AdminMutex::Opened;
    handle.Reset();
    return AdminMutex::Untrusted;
}
