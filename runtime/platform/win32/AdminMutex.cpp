#include "AdminMutex.h"

#include "HandOverRecord.h"
#include "Ownership.h"

#include <sddl.h>

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
    if (IsTrustedOwner(OwnerOf(handle.Get(), SE_KERNEL_OBJECT), OwnDefaultOwner()))
        return AdminMutex::Opened;
    handle.Reset();
    return AdminMutex::Untrusted;
}
