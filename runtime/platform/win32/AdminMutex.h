// Named mutexes that only administrators and SYSTEM can create, open or hold. The tools run
// elevated and decide from these objects whether another copy runs and who may change the
// storage service, so an object of that name created by anyone else must not count: it is
// created with a descriptor that grants access to Administrators and SYSTEM only, and one
// that already exists is used only when its owner is trusted (see IsTrustedOwner).
#pragma once

#include "Win32Handles.h"

enum class AdminMutex {
    Created,
    Opened,    // it existed, made by a trusted owner
    Untrusted, // the name is held by an object someone else made (or of another kind)
};

// Creates or opens the mutex into handle (left empty when Untrusted).
AdminMutex CreateAdminMutex(const char* name, bool initialOwner, CKernelHandle& handle);
