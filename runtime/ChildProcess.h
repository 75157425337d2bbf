// The platform side of running one hidden child process with its standard handles
// redirected to pipes (Win32: CreateProcessA with anonymous pipes; POSIX: fork and exec).
//
// A guard bounds the child's life: when it has not ended after the guard time, it is
// ended, so that a hung interpreter cannot hang the tool. The parent never ends a child
// otherwise.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

class ChildProcess {
public:
    enum class ReadStatus {
        Data,     // bytes were read
        End,      // the child closed its end of the pipe
        Failed,   // the read failed for another reason
        NoStream, // there is no such pipe (standard error merged into standard output)
    };

    // Starts the command line in the folder given (its current folder; none, and nothing is
    // started) with standard error merged into standard output when asked. Never null: when the
    // program cannot be started, Started() is false and the pipes are already closed on the child's
    // side, so a read reports End at once.
    static std::unique_ptr<ChildProcess> Start(const std::string& commandLine,
                                               const std::string& folder, bool mergeStderr,
                                               std::chrono::milliseconds guard);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    // Reads what is there, blocking until at least one byte, the end, or a failure.
    ReadStatus Read(bool fromStdout, char* destination, std::size_t room, std::size_t& got);
    // Whether the guard ended the child.
    bool EndedByGuard() const;

    struct Impl;

private:
    explicit ChildProcess(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};
