#include "LogFile.h"

#include <windows.h>

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
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED whole{};
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (locked)
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
}
