#include "LogFile.h"

#include "Win32Handles.h"

#include <cstdio>
#include <vector>

// The path is taken afresh for every line (the current directory and the name, compared
// with the path of the open file), so when the current directory changes, later lines go
// to a log in the new one. The file is opened for appending only, which on Windows puts
// every write at the end of the file as one piece.
//
// Wine appends in two steps, a look at the file's size and a write at that offset, and
// another process can come between them: two writers' lines would overwrite each other.
// So the writers of one file also take turns, through a word in memory they share, named
// after the file's identity. Taking a turn costs no call into the system while nobody else
// writes (a lock on the file, or a named mutex, costs more than the write under Wine).
namespace {

class CWriterTurns {
public:
    // Joins the writers of the file; without the shared word writes go unordered.
    void Join(HANDLE file) {
        Leave();
        BY_HANDLE_FILE_INFORMATION id{};
        if (!GetFileInformationByHandle(file, &id))
            return;
        char name[80];
        std::snprintf(name, sizeof name, "Local\\VelmoraLogWriters-%08lX-%08lX%08lX",
                      id.dwVolumeSerialNumber, id.nFileIndexHigh, id.nFileIndexLow);
        shared_.Reset(
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name));
        if (shared_.Valid())
            holder_ = static_cast<volatile LONG*>(
                MapViewOfFile(shared_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
    }

    void Leave() {
        if (holder_ != nullptr)
            UnmapViewOfFile(const_cast<LONG*>(holder_));
        holder_ = nullptr;
        shared_.Reset();
    }

    // The word holds the process whose turn it is, or 0. A holder that keeps its turn for
    // a second has ended in the middle of its line: it is passed over.
    void Take() {
        if (holder_ == nullptr)
            return;
        const LONG me = static_cast<LONG>(GetCurrentProcessId());
        LONG waitingFor = 0;
        ULONGLONG since = 0;
        for (;;) {
            const LONG holder = InterlockedCompareExchange(holder_, me, 0);
            if (holder == 0)
                return;
            if (holder != waitingFor) {
                waitingFor = holder;
                since = GetTickCount64();
            } else if (GetTickCount64() - since > kPassOverMs &&
                       InterlockedCompareExchange(holder_, me, holder) == holder) {
                return;
            }
            SwitchToThread();
        }
    }

    void Give() {
        if (holder_ != nullptr)
            InterlockedCompareExchange(holder_, 0, static_cast<LONG>(GetCurrentProcessId()));
    }

private:
    static constexpr ULONGLONG kPassOverMs = 1000;
    CKernelHandle shared_;
    volatile LONG* holder_ = nullptr;
};

struct OpenLog {
    std::vector<char> directory = std::vector<char>(MAX_PATH + 1);
    std::string wanted; // the path for this line
    std::string path;   // the path of the open file
    CKernelHandle file;
    CWriterTurns turns;

    void Close() {
        turns.Leave();
        file.Reset();
    }
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

void AppendToLogFile(const std::string& fileName, std::string_view bytes) {
    OpenLog& log = State();
    CurrentPath(fileName, log);
    if (!log.file.Valid() || log.wanted != log.path) {
        log.Close();
        // Opening an existing log or creating a new one is one step, so that two processes
        // starting a new log at the same moment both get to write.
        log.file.Reset(CreateFileA(log.wanted.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!log.file.Valid())
            return;
        log.path = log.wanted;
        log.turns.Join(log.file.Get());
    }
    log.turns.Take();
    DWORD written = 0;
    const BOOL wrote = WriteFile(log.file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                 &written, nullptr);
    log.turns.Give();
    if (!wrote)
        log.Close(); // the next line opens the file afresh
}

void CloseLogFile() {
    State().Close();
}
