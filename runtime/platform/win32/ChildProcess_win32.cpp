#include "ChildProcess.h"

#include <windows.h>

#include <thread>
#include <vector>

namespace {

// A handle that closes itself.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    HANDLE* out() {
        Close();
        return &h_;
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void Close() {
        if (valid())
            CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Creates an inheritable pipe and replaces the parent's end by a private (non-inheritable)
// copy, so that the child holds the only inheritable end.
void MakeRedirectPipe(Handle& parentEnd, Handle& childEnd, bool childReads) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = INVALID_HANDLE_VALUE;
    HANDLE write = INVALID_HANDLE_VALUE;
    if (!CreatePipe(&read, &write, &sa, 0))
        return;
    HANDLE shared = childReads ? write : read;
    *childEnd.out() = childReads ? read : write;
    DuplicateHandle(GetCurrentProcess(), shared, GetCurrentProcess(), parentEnd.out(), 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CloseHandle(shared);
}

} // namespace

struct ChildProcess::Impl {
    Handle process;
    Handle stdoutReader;
    Handle stderrReader;
    Handle stdinWriter;
    Handle stopGuard; // event that releases the guard thread early
    std::thread guard;
    volatile LONG endedByGuard = 0;

    ~Impl() {
        if (guard.joinable()) {
            SetEvent(stopGuard.get());
            guard.join();
        }
    }
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ChildProcess::~ChildProcess() = default;

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& commandLine, bool mergeStderr,
                                                  std::chrono::milliseconds guard) {
    auto impl = std::make_unique<Impl>();
    Handle childOut, childErr, childIn;
    MakeRedirectPipe(impl->stdoutReader, childOut, false);
    if (mergeStderr) {
        DuplicateHandle(GetCurrentProcess(), childOut.get(), GetCurrentProcess(), childErr.out(), 0,
                        TRUE, DUPLICATE_SAME_ACCESS);
    } else {
        MakeRedirectPipe(impl->stderrReader, childErr, false);
    }
    MakeRedirectPipe(impl->stdinWriter, childIn, true);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = childOut.get();
    startup.hStdError = childErr.get();
    startup.hStdInput = childIn.get();
    // CreateProcessA may write into the command line: give it a private, exactly sized copy.
    // The child gets no console at all (DETACHED_PROCESS) rather than a new hidden one: its
    // standard handles are the pipes, nothing can show, and no console host has to start
    // and stop around every interpreter run (about 45 ms a run under Wine, measured with
    // capture_bench).
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                       nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        *impl->process.out() = info.hProcess;
    }
    // Only the child may hold its ends now, so the reader sees the end of the output when
    // the child exits.
    childOut.Close();
    childErr.Close();
    childIn.Close();

    if (impl->process.valid()) {
        *impl->stopGuard.out() = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        Impl* state = impl.get();
        const DWORD limit = static_cast<DWORD>(guard.count());
        state->guard = std::thread([state, limit] {
            const HANDLE waits[] = {state->process.get(), state->stopGuard.get()};
            if (WaitForMultipleObjects(2, waits, FALSE, limit) == WAIT_TIMEOUT) {
                InterlockedExchange(&state->endedByGuard, 1);
                TerminateProcess(state->process.get(), 1);
            }
        });
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

bool ChildProcess::Started() const {
    return impl_->process.valid();
}

bool ChildProcess::EndedByGuard() const {
    return impl_->endedByGuard != 0;
}

ChildProcess::ReadStatus ChildProcess::Read(bool fromStdout, char* destination, std::size_t room,
                                            std::size_t& got) {
    got = 0;
    const Handle& reader = fromStdout ? impl_->stdoutReader : impl_->stderrReader;
    if (!reader.valid())
        return ReadStatus::NoStream;
    DWORD delivered = 0;
    const DWORD ask = room > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(room);
    if (!ReadFile(reader.get(), destination, ask, &delivered, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? ReadStatus::End : ReadStatus::Failed;
    if (delivered == 0)
        return ReadStatus::End;
    got = delivered;
    return ReadStatus::Data;
}
