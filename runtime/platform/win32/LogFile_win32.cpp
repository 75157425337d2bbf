#include "LogFile.h"

#include "Win32Handles.h"

#include <vector>

// The path is taken afresh on every call: when the current directory changes, later lines
// go to a log in the new one. Write sharing lets another process append at the same time;
// an exclusive lock over the whole file covers the seek to the end and the write, so two
// writers never overwrite each other's lines.
void AppendToLogFile(const std::string& fileName, const std::string& bytes) {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    std::vector<char> directory(needed + 1, '\0');
    GetCurrentDirectoryA(needed + 1, directory.data());
    const std::string path = std::string(directory.data()) + "\\" + fileName;

    // Opening an existing log or creating a new one is one step, so that two processes
    // starting a new log at the same moment both get to write.
    const CKernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return;
    OVERLAPPED whole{};
    const bool locked =
        LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (locked)
        UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
}
