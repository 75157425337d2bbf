#include "LogFile.h"

#include "FileTarget_win32.h"
#include "Win32Handles.h"

#include <vector>

// The path is taken afresh for every line (the current directory and the name, compared
// with the path of the open file), so when the current directory changes, later lines go
// to a log in the new one. The file is opened for appending only, which on Windows puts
// every write at the end of the file as one piece. It is opened as what the path names,
// a link included (FILE_FLAG_OPEN_REPARSE_POINT), and looked at before anything is written.
namespace {

struct OpenLog {
    std::vector<char> directory = std::vector<char>(MAX_PATH + 1);
    std::string wanted; // the path for this line
    std::string path;   // the path of the open file
    CKernelHandle file;

    void Close() { file.Reset(); }
};

// Never destroyed: a line logged while the program's statics go must still find it.
OpenLog& State() {
    static OpenLog* state = new OpenLog;
    return *state;
}

void CurrentPath(const std::string& fileName, OpenLog& log) {
    DWORD length =
        GetCurrentDirectoryA(static_cast<DWORD>(log.directory.size()), log.directory.data());
    if (length >= log.directory.size()) { // the size it needs, terminator included
        log.directory.resize(length + 1);
        length =
            GetCurrentDirectoryA(static_cast<DWORD>(log.directory.size()), log.directory.data());
    }
    log.wanted.assign(log.directory.data(), length < log.directory.size() ? length : 0);
    log.wanted += '\\';
    log.wanted += fileName;
}

} // namespace

TargetRefusal AppendToLogFile(const std::string& fileName, std::string_view bytes,
                              std::string& path) {
    OpenLog& log = State();
    CurrentPath(fileName, log);
    if (!log.file.Valid() || log.wanted != log.path) {
        log.Close();
        // Opening an existing log or creating a new one is one step, so that two processes
        // starting a new log at the same moment both get to write.
        log.file.Reset(CreateFileA(log.wanted.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!log.file.Valid())
            return TargetRefusal::None;
        const TargetRefusal refusal = RefusalOfOpenedFile(log.file.Get());
        if (refusal != TargetRefusal::None) {
            log.Close();
            path = log.wanted;
            return refusal;
        }
        log.path = log.wanted;
    }
    DWORD written = 0;
    if (!WriteFile(log.file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr))
        log.Close(); // the next line opens the file afresh
    return TargetRefusal::None;
}

void CloseLogFile() {
    State().Close();
}
