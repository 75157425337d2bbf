#include "FileTarget_win32.h"

#include "Text.h"
#include "Win32Handles.h"

#include <string>

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(length < size ? length : 0);
    return full;
}

namespace {

TargetRefusal RefusalOf(const std::wstring& full) {
    const std::wstring folder = full.substr(0, full.find_last_of(L'\\') + 1);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return TargetRefusal::FolderReparsePoint;
    const CKernelHandle existing(
        CreateFileW(full.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return existing.Valid() ? RefusalOfOpenedFile(existing.Get()) : TargetRefusal::None;
}

} // namespace

bool WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk =
            bytes.size() - done < 0x40000000 ? bytes.size() - done : 0x40000000;
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

TargetRefusal RefusalOfOpenedFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return TargetRefusal::None;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return TargetRefusal::ReparsePoint;
    return info.nNumberOfLinks > 1 ? TargetRefusal::HardLinked : TargetRefusal::None;
}

Outcome ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& why) {
    const std::wstring full = FullPath(WideFromAnsi(path));
    if (full.empty()) {
        why = FileStepFailedText("パスの解決", GetLastError());
        return Outcome::Failed;
    }
    const TargetRefusal refusal = RefusalOf(full);
    if (refusal != TargetRefusal::None) {
        why = TargetRefusalText(refusal);
        return Outcome::Failed;
    }
    // A name of its own: CREATE_NEW fails on anything already there, a link included.
    const std::wstring temporary = full + L".new-" + std::to_wstring(GetCurrentProcessId());
    CKernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        why = FileStepFailedText("新しいファイルの作成", GetLastError());
        return Outcome::Failed;
    }
    const char* step = "書き込み";
    bool done = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
    DWORD error = GetLastError();
    file.Reset();
    if (done) {
        step = "置き換え";
        done = MoveFileExW(temporary.c_str(), full.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        error = GetLastError();
    }
    if (done)
        return Outcome::Done;
    why = FileStepFailedText(step, error);
    DeleteFileW(temporary.c_str());
    return Outcome::Failed;
}
