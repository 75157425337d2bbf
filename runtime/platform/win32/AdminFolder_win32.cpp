#include "AdminFolder.h"

#include "FileTarget_win32.h"
#include "Ownership.h"
#include "Text.h"
#include "Win32Handles.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// The allowing entries of an access list; an entry of a kind read here as "everyone,
// everything" when it allows something in a way this code does not read.
std::vector<AccessEntry> AllowedEntries(const ACL* list) {
    if (list == nullptr) // no list at all: everyone may do everything
        return {{"", 0xFFFFFFFF}};
    std::vector<AccessEntry> allowed;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(const_cast<ACL*>(list), i, reinterpret_cast<void**>(&header)))
            return {{"", 0xFFFFFFFF}};
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
            allowed.push_back({SidText(const_cast<DWORD*>(&ace->SidStart)), ace->Mask});
        } else if (header->AceType != ACCESS_DENIED_ACE_TYPE &&
                   header->AceType != ACCESS_DENIED_OBJECT_ACE_TYPE &&
                   header->AceType != ACCESS_DENIED_CALLBACK_ACE_TYPE &&
                   header->AceType != ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE) {
            allowed.push_back({"", 0xFFFFFFFF});
        }
    }
    return allowed;
}

// What an open folder (opened as the link itself, not what it points at) is.
FolderRefusal RefusalOfFolder(HANDLE folder) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder, &info))
        return FolderRefusal::NotAFolder;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FolderRefusal::ReparsePoint;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderRefusal::NotAFolder;
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return FolderRefusal::UntrustedOwner;
    const std::string ownerSid = SidText(owner);
    const std::vector<AccessEntry> allowed = AllowedEntries(list);
    LocalFree(descriptor);
    if (!IsOwnedByTrusted(ownerSid))
        return FolderRefusal::UntrustedOwner;
    return OthersMayWrite(allowed, {OwnDefaultOwner(), OwnUser()}) ? FolderRefusal::OthersMayWrite
                                                                   : FolderRefusal::None;
}

// Opened without sharing deletion, a folder can be neither renamed nor deleted while it is
// open; opened as the link itself, a link is seen as one.
CKernelHandle OpenFolder(const std::wstring& path) {
    return CKernelHandle(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                     nullptr));
}

class Win32AppendFile : public IAppendFile {
public:
    Win32AppendFile(std::string path, CKernelHandle folder, CKernelHandle file)
        : path_(std::move(path)), folder_(std::move(folder)), file_(std::move(file)) {}

    const std::string& Path() const override { return path_; }

    Outcome Append(std::string_view bytes, std::string& why) override {
        if (!WriteAll(file_.Get(), bytes)) {
            why = FileStepFailedText("書き込み", GetLastError());
            return Outcome::Failed;
        }
        if (!FlushFileBuffers(file_.Get())) {
            why = FileStepFailedText("ディスクへの書き出し", GetLastError());
            return Outcome::Failed;
        }
        return Outcome::Done;
    }

private:
    std::string path_;
    CKernelHandle folder_; // keeps the folder from being renamed or deleted
    CKernelHandle file_;
};

class Win32AdminFolder : public IAdminFolder {
public:
    Win32AdminFolder(std::string path, std::wstring widePath, CKernelHandle folder)
        : path_(std::move(path)), widePath_(std::move(widePath)), folder_(std::move(folder)) {}

    const std::string& Path() const override { return path_; }

    std::unique_ptr<IAppendFile> NewFile(const std::string& name, std::string& why) override {
        if (!IsPlainFileName(name)) {
            why = Ansi("ファイル名として使えない名前です: ") + name;
            return nullptr;
        }
        // The same open folder, for as long as the file lives.
        CKernelHandle folder;
        if (!DuplicateHandle(GetCurrentProcess(), folder_.Get(), GetCurrentProcess(), folder.Out(),
                             0, FALSE, DUPLICATE_SAME_ACCESS)) {
            why = FileStepFailedText("フォルダーのハンドルの複製", GetLastError());
            return nullptr;
        }
        // CREATE_NEW: never a file that is there, nor what a link of that name points at.
        CKernelHandle file(CreateFileW((widePath_ + L"\\" + WideFromAnsi(name)).c_str(),
                                       GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            why = FileStepFailedText("新しいファイルの作成", GetLastError());
            return nullptr;
        }
        return std::make_unique<Win32AppendFile>(path_ + "\\" + name, std::move(folder),
                                                 std::move(file));
    }

private:
    std::string path_;
    std::wstring widePath_;
    CKernelHandle folder_;
};

} // namespace

std::unique_ptr<IAdminFolder> OpenAdminFolder(const std::string& path, std::string& why) {
    std::wstring full = FullPath(WideFromAnsi(path));
    while (full.size() > 3 && full.back() == L'\\') // "C:\" keeps its separator
        full.pop_back();
    if (full.empty()) {
        why = FileStepFailedText("パスの解決", GetLastError());
        return nullptr;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kAdminFolderDescriptor, SDDL_REVISION_1, &descriptor, nullptr)) {
        why = FileStepFailedText("セキュリティ記述子の作成", GetLastError());
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const bool created = CreateDirectoryW(full.c_str(), &attributes) != FALSE;
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (!created && error != ERROR_ALREADY_EXISTS) {
        why = FileStepFailedText("フォルダーの作成", error);
        return nullptr;
    }
    CKernelHandle folder = OpenFolder(full);
    if (!folder.Valid()) {
        why = FileStepFailedText("フォルダーを開くこと", GetLastError());
        return nullptr;
    }
    const FolderRefusal refusal = RefusalOfFolder(folder.Get());
    if (refusal != FolderRefusal::None) {
        why = FolderRefusalText(refusal);
        return nullptr;
    }
    const std::u16string full16(full.begin(), full.end());
    std::string ansi;
    AppendAnsiFromUtf16(ansi, full16.data(), full16.size());
    return std::make_unique<Win32AdminFolder>(std::move(ansi), std::move(full), std::move(folder));
}
