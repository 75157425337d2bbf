// Runs one command line hidden and captures its standard output (or standard error) as
// one zero-terminated text in a buffer the object owns.
//
// Calling order: construct, AllocateBuffer, Start, ReadOutput, read Buffer() or take the
// text, destroy; one command per object. The output is drained while the child runs, so a
// child that writes more than a pipe holds never waits for the reader, and the text ends as
// soon as the child closes its output. At most size - 1 bytes are kept; the rest stays
// unread. The text ends at the output's first zero byte, as a C string does.
//
// The buffer's room is reserved at once but zeroed only as the output arrives, and the text
// is handed over without a copy: a capture costs what the output is long, not what the
// buffer could hold (5 MB for the interpreter).
#pragma once

#include "ChildProcess.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

class CChildProcessCapture {
public:
    // How long a child may run before it is ended: far beyond any real interpreter run.
    static constexpr std::chrono::milliseconds kDefaultGuard{std::chrono::minutes(5)};

    CChildProcessCapture() = default;
    ~CChildProcessCapture() = default;
    CChildProcessCapture(const CChildProcessCapture&) = delete;
    CChildProcessCapture& operator=(const CChildProcessCapture&) = delete;

    // Replaces the buffer by an empty one that holds up to size - 1 bytes and their
    // terminator. Returns its text, which stays at this address until the text is taken, or
    // null for size 0 or when it cannot be allocated (then there is no buffer).
    const char* AllocateBuffer(std::size_t size);

    // Starts the command line (program path and arguments as one text) in the folder of
    // its program, never in the tool's current folder, which other users may have written
    // to: a child looks there for its DLLs. A program named without its folder is not
    // started. True when a child was started; when not, a following ReadOutput from
    // standard output yields an empty text.
    bool Start(const std::string& commandLine, bool mergeStderr);

    // Reads standard output (or standard error) until the child closes it or the buffer is
    // full. False when there is no such stream, no buffer, a read failed, or the guard had
    // to end the child (then the failure is logged); bytes already read stay in the buffer.
    bool ReadOutput(bool fromStdout);

    const char* Buffer() const { return allocated_ ? buffer_.c_str() : nullptr; }
    // Hands the text over; the buffer is gone afterwards.
    std::string TakeText();

    void SetGuard(std::chrono::milliseconds guard) { guard_ = guard; }

    // The folder of the program a command line starts, with its last separator; empty when
    // the program is named without a folder.
    static std::string ProgramFolder(const std::string& commandLine);

private:
    std::string buffer_;
    std::size_t room_ = 0; // the most bytes the text may have
    bool allocated_ = false;
    std::unique_ptr<ChildProcess> child_;
    std::string commandLine_;
    std::chrono::milliseconds guard_ = kDefaultGuard;
};
