#include "ServiceHandOver.h"

#include "AdminMutex.h"

namespace {

// Long enough for another tool's stop and the settling of a stop it gave up on.
constexpr DWORD kLockWaitMs = 5 * 60 * 1000;

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::optional<std::uint64_t> CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return std::nullopt;
    return Ticks(created);
}

// The lock's mutex stays open for the life of the process, so that while any tool runs the
// object exists and its name cannot be taken by anyone else.
class Win32HandOverSystem : public IHandOverSystem {
public:
    LockResult Lock() override {
        if (!mutex_.Valid() &&
            CreateAdminMutex(kHandOverLockName, false, mutex_) == AdminMutex::Untrusted)
            return LockResult::Untrusted;
        switch (WaitForSingleObject(mutex_.Get(), kLockWaitMs)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED: // its owner died holding it: the record tells what it left
            return LockResult::Acquired;
        default:
            return LockResult::TimedOut;
        }
    }

    void Unlock() override { ReleaseMutex(mutex_.Get()); }

    ProcessIdentity CurrentProcess() const override {
        return {GetCurrentProcessId(), CreationTime(GetCurrentProcess()).value_or(0)};
    }

    bool IsRunning(const ProcessIdentity& process) const override {
        const CKernelHandle handle(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, process.id));
        return handle.Valid() && WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT &&
               CreationTime(handle.Get()) == process.created;
    }

private:
    CKernelHandle mutex_;
};

} // namespace

IHandOverSystem& SystemHandOverSystem() {
    static Win32HandOverSystem system;
    return system;
}
