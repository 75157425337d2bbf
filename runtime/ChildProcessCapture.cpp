#include "ChildProcessCapture.h"

#include "LogFile.h"

#include <algorithm>
#include <new>
#include <stdexcept>

char* CChildProcessCapture::AllocateBuffer(std::size_t size) {
    std::vector<char>().swap(buffer_);
    if (size == 0)
        return nullptr;
    try {
        buffer_.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
    return buffer_.data();
}

bool CChildProcessCapture::Start(const std::string& commandLine, bool mergeStderr) {
    child_.reset();
    commandLine_ = commandLine;
    child_ = ChildProcess::Start(commandLine, mergeStderr, guard_);
    return child_->Started();
}

bool CChildProcessCapture::ReadOutput(bool fromStdout) {
    if (!child_ || buffer_.empty())
        return false;
    std::fill(buffer_.begin(), buffer_.end(), '\0');
    std::size_t filled = 0;
    const std::size_t capacity = buffer_.size() - 1; // the last byte stays the terminator
    while (filled < capacity) {
        std::size_t got = 0;
        const ChildProcess::ReadStatus status =
            child_->Read(fromStdout, buffer_.data() + filled, capacity - filled, got);
        if (status == ChildProcess::ReadStatus::NoStream)
            return false;
        if (status == ChildProcess::ReadStatus::Failed)
            return false;
        if (status == ChildProcess::ReadStatus::End)
            break;
        filled += got;
    }
    if (child_->EndedByGuard()) {
        FileLog().Result(LogStatus::Failure, "CChildProcessCapture",
                         "The child process did not end in time and was ended.", commandLine_);
        return false;
    }
    return true;
}
