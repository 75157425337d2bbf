#include "ChildProcess.h"

#include "Win32Handles.h"

#include <windows.h>

#include <vector>

namespace {

// Creates an inheritable pipe and replaces the parent's end by a private (non-inheritable)
// copy, so that the child holds the only inheritable end.
void MakeRedirectPipe(CKernelHandle& parentEnd, CKernelHandle& childEnd, bool childReads) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    CKernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Out(), writeEnd.Out(), &sa, 0))
        return;
    const CKernelHandle shared = std::move(childReads ? writeEnd : readEnd);
    childEnd = std::move(childReads ? readEnd : writeEnd);
    DuplicateHandle(GetCurrentProcess(), shared.Get(), GetCurrentProcess(), parentEnd.Out(), 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
}

} // namespace

// The guard is a wait of the system's thread pool on the child: it ends the child when the
// wait times out. A pool thread serves every child, where a thread of its own cost each
// child a thread's start and end.
struct ChildProcess::Impl {
    CKernelHandle process;
    CKernelHandle stdoutReader;
    CKernelHandle stderrReader;
    CKernelHandle stdinWriter;
    HANDLE guard = nullptr;
    volatile LONG endedByGuard = 0;

    ~Impl() {
        if (guard != nullptr)
            UnregisterWaitEx(guard, INVALID_HANDLE_VALUE); // returns when no callback runs
    }

    static void CALLBACK GuardTimedOut(void* context, BOOLEAN timedOut) {
        if (!timedOut)
            return; // the child ended in time
        auto* self = static_cast<Impl*>(context);
        InterlockedExchange(&self->endedByGuard, 1);
        TerminateProcess(self->process.Get(), 1);
    }
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ChildProcess::~ChildProcess() = default;

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& commandLine,
                                                  const std::string& folder, bool mergeStderr,
                                                  std::chrono::milliseconds guard) {
    auto impl = std::make_unique<Impl>();
    CKernelHandle childOut, childErr, childIn;
    MakeRedirectPipe(impl->stdoutReader, childOut, false);
    if (mergeStderr) {
        DuplicateHandle(GetCurrentProcess(), childOut.Get(), GetCurrentProcess(), childErr.Out(), 0,
                        TRUE, DUPLICATE_SAME_ACCESS);
    } else {
        MakeRedirectPipe(impl->stderrReader, childErr, false);
    }
    MakeRedirectPipe(impl->stdinWriter, childIn, true);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = childOut.Get();
    startup.hStdError = childErr.Get();
    startup.hStdInput = childIn.Get();
    // CreateProcessA may write into the command line: give it a private, exactly sized copy.
    // The child gets no console at all (DETACHED_PROCESS) rather than a new hidden one: its
    // standard handles are the pipes, nothing can show, and no console host has to start
    // and stop around every interpreter run (about 45 ms a run under Wine, measured with
    // capture_bench).
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!folder.empty() &&
        CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                       folder.c_str(), &startup, &info)) {
        CKernelHandle thread(info.hThread); // not needed: closed at once
        impl->process.Reset(info.hProcess);
    }
    // Only the child may hold its ends now, so the reader sees the end of the output when
    // the child exits.
    childOut.Reset();
    childErr.Reset();
    childIn.Reset();

    if (impl->process.Valid())
        RegisterWaitForSingleObject(&impl->guard, impl->process.Get(), Impl::GuardTimedOut,
                                    impl.get(), static_cast<DWORD>(guard.count()),
                                    WT_EXECUTEONLYONCE);
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

bool ChildProcess::Started() const {
    return impl_->process.Valid();
}

bool ChildProcess::EndedByGuard() const {
    return impl_->endedByGuard != 0;
}

ChildProcess::ReadStatus ChildProcess::Read(bool fromStdout, char* destination, std::size_t room,
                                            std::size_t& got) {
    got = 0;
    const CKernelHandle& reader = fromStdout ? impl_->stdoutReader : impl_->stderrReader;
    if (!reader.Valid())
        return ReadStatus::NoStream;
    DWORD delivered = 0;
    const DWORD ask = room > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(room);
    if (!ReadFile(reader.Get(), destination, ask, &delivered, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? ReadStatus::End : ReadStatus::Failed;
    if (delivered == 0)
        return ReadStatus::End;
    got = delivered;
    return ReadStatus::Data;
}
