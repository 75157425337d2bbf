#include "ChildProcessCapture.h"

#include "LogFile.h"
#include "Mbcs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

const char* CChildProcessCapture::AllocateBuffer(std::size_t size) {
    std::string().swap(buffer_);
    allocated_ = false;
    room_ = 0;
    if (size == 0)
        return nullptr;
    try {
        buffer_.reserve(size - 1); // allocated, but no page of it touched yet
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
    allocated_ = true;
    room_ = size - 1;
    return buffer_.c_str();
}

bool CChildProcessCapture::Start(const std::string& commandLine, bool mergeStderr) {
    child_.reset();
    commandLine_ = commandLine;
    child_ = ChildProcess::Start(commandLine, ProgramFolder(commandLine), mergeStderr, guard_);
    return child_->Started();
}

std::string CChildProcessCapture::ProgramFolder(const std::string& commandLine) {
    const bool quoted = !commandLine.empty() && commandLine[0] == '"';
    const std::string program = quoted ? commandLine.substr(1, commandLine.find('"', 1) - 1)
                                       : commandLine.substr(0, commandLine.find(' '));
    std::size_t end = 0; // after the last separator
    for (const char separator : {'\\', '/'})
        if (const char* found = mbcs::FindLastChar(program.c_str(), separator))
            end = std::max(end, static_cast<std::size_t>(found - program.c_str()) + 1);
    return program.substr(0, end);
}

namespace {

// The first read gets this much room; every later one as much as was read before, so the
// zeroing of the room adds up to at most twice the output.
constexpr std::size_t kFirstReadRoom = 64 * 1024;

} // namespace

bool CChildProcessCapture::ReadOutput(bool fromStdout) {
    if (!child_ || !allocated_)
        return false;
    buffer_.clear();
    std::size_t used = 0;
    std::size_t textEnd = std::string::npos; // the first zero byte read
    const auto keepText = [&] { buffer_.resize(std::min(used, textEnd)); };
    while (used < room_) {
        if (buffer_.size() == used)
            buffer_.resize(std::min(room_, used + std::max(used, kFirstReadRoom)));
        std::size_t got = 0;
        const ChildProcess::ReadStatus status =
            child_->Read(fromStdout, buffer_.data() + used, buffer_.size() - used, got);
        if (status == ChildProcess::ReadStatus::NoStream ||
            status == ChildProcess::ReadStatus::Failed) {
            keepText();
            return false;
        }
        if (status == ChildProcess::ReadStatus::End)
            break;
        if (textEnd == std::string::npos)
            if (const void* zero = std::memchr(buffer_.data() + used, '\0', got))
                textEnd = static_cast<std::size_t>(static_cast<const char*>(zero) - buffer_.data());
        used += got;
    }
    keepText();
    if (child_->EndedByGuard()) {
        FileLog().Result(LogStatus::Failure, "CChildProcessCapture",
                         "The child process did not end in time and was ended.", commandLine_);
        return false;
    }
    return true;
}

std::string CChildProcessCapture::TakeText() {
    allocated_ = false;
    room_ = 0;
    return std::move(buffer_);
}
