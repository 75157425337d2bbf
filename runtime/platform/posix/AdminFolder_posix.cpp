// As on Windows, with a symbolic link in the place of a reparse point, root or the process's
// own user as the trusted owners, and the group's or others' write permission as an access
// list that lets someone else write.
#include "AdminFolder.h"

#include "FileTarget_posix.h"
#include "Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

std::string Failed(const char* step) {
    return FileStepFailedText(step, static_cast<unsigned long>(errno));
}

class PosixAppendFile : public IAppendFile {
public:
    PosixAppendFile(std::string path, Descriptor folder, Descriptor file)
        : path_(std::move(path)), folder_(std::move(folder)), file_(std::move(file)) {}

    const std::string& Path() const override { return path_; }

    Outcome Append(std::string_view bytes, std::string& why) override {
        if (!WriteAll(file_.Get(), bytes)) {
            why = Failed("書き込み");
            return Outcome::Failed;
        }
        if (fsync(file_.Get()) != 0) {
            why = Failed("ディスクへの書き出し");
            return Outcome::Failed;
        }
        return Outcome::Done;
    }

private:
    std::string path_;
    Descriptor folder_;
    Descriptor file_;
};

class PosixAdminFolder : public IAdminFolder {
public:
    PosixAdminFolder(std::string path, Descriptor folder)
        : path_(std::move(path)), folder_(std::move(folder)) {}

    const std::string& Path() const override { return path_; }

    std::unique_ptr<IAppendFile> NewFile(const std::string& name, std::string& why) override {
        if (!IsPlainFileName(name)) {
            why = Ansi("ファイル名として使えない名前です: ") + name;
            return nullptr;
        }
        Descriptor folder(dup(folder_.Get()));
        Descriptor file(openat(folder_.Get(), name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC,
                               0600));
        if (folder.Get() < 0 || file.Get() < 0) {
            why = Failed("新しいファイルの作成");
            return nullptr;
        }
        return std::make_unique<PosixAppendFile>(path_ + "/" + name, std::move(folder),
                                                 std::move(file));
    }

private:
    std::string path_;
    Descriptor folder_;
};

FolderRefusal RefusalOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return FolderRefusal::ReparsePoint;
    if (!S_ISDIR(info.st_mode))
        return FolderRefusal::NotAFolder;
    if (info.st_uid != 0 && info.st_uid != geteuid())
        return FolderRefusal::UntrustedOwner;
    return (info.st_mode & (S_IWGRP | S_IWOTH)) ? FolderRefusal::OthersMayWrite
                                                : FolderRefusal::None;
}

} // namespace

std::unique_ptr<IAdminFolder> OpenAdminFolder(const std::string& path, std::string& why) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (mkdir(trimmed.c_str(), 0700) != 0 && errno != EEXIST) {
        why = Failed("フォルダーの作成");
        return nullptr;
    }
    struct stat seen {};
    if (lstat(trimmed.c_str(), &seen) != 0) {
        why = Failed("フォルダーを開くこと");
        return nullptr;
    }
    FolderRefusal refusal = RefusalOf(seen);
    Descriptor folder(refusal == FolderRefusal::None
                          ? open(trimmed.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                          : -1);
    struct stat opened {};
    if (refusal == FolderRefusal::None &&
        (folder.Get() < 0 || fstat(folder.Get(), &opened) != 0 || opened.st_ino != seen.st_ino ||
         opened.st_dev != seen.st_dev))
        refusal = FolderRefusal::ReparsePoint; // replaced between the look and the open
    if (refusal != FolderRefusal::None) {
        why = FolderRefusalText(refusal);
        return nullptr;
    }
    char full[PATH_MAX];
    const std::string absolute = realpath(trimmed.c_str(), full) ? full : trimmed;
    return std::make_unique<PosixAdminFolder>(absolute, std::move(folder));
}
