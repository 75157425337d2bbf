#include "FileTarget_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// As on Windows, with a symbolic link in the place of a reparse point.
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

TargetRefusal RefusalOf(const std::string& path) {
    struct stat info {};
    if (lstat(FolderOf(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return TargetRefusal::FolderReparsePoint;
    if (lstat(path.c_str(), &info) != 0)
        return TargetRefusal::None; // a new file
    if (S_ISLNK(info.st_mode))
        return TargetRefusal::ReparsePoint;
    return S_ISREG(info.st_mode) && info.st_nlink > 1 ? TargetRefusal::HardLinked
                                                      : TargetRefusal::None;
}

} // namespace

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Outcome ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& why) {
    const TargetRefusal refusal = RefusalOf(path);
    if (refusal != TargetRefusal::None) {
        why = TargetRefusalText(refusal);
        return Outcome::Failed;
    }
    const std::string temporary = path + ".new-" + std::to_string(getpid());
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = FileStepFailedText("新しいファイルの作成", static_cast<unsigned long>(errno));
        return Outcome::Failed;
    }
    bool done = WriteAll(fd, bytes) && fsync(fd) == 0;
    const char* step = "書き込み";
    done = close(fd) == 0 && done;
    if (done) {
        step = "置き換え";
        done = rename(temporary.c_str(), path.c_str()) == 0;
    }
    if (done)
        return Outcome::Done;
    why = FileStepFailedText(step, static_cast<unsigned long>(errno));
    unlink(temporary.c_str());
    return Outcome::Failed;
}
