#include "LogFile.h"

#include <windows.h>

#include <vector>

// The path is taken afresh on every call: when the current directory changes, later lines
// go to a log in the new one. Write sharing lets another process append at the same time;
// append-only access makes each write land at the end of the file as one piece, so two
// writers never overwrite each other's lines between the seek and the write.
void AppendToLogFile(const std::string& fileName, const std::string& bytes) {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    std::vector<char> directory(needed + 1, '\0');
    GetCurrentDirectoryA(needed + 1, directory.data());
    const std::string path = std::string(directory.data()) + "\\" + fileName;

    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_WRITE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}
