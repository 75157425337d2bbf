#include "LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

// As on Windows: the path is taken afresh for every line and the file, opened for
// appending, stays open while the path stays the same; a symbolic link stands for a
// reparse point.
namespace {

struct OpenLog {
    std::vector<char> directory = std::vector<char>(4096);
    std::string wanted;
    std::string path;
    int fd = -1;

    void Close() {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
};

OpenLog& State() {
    static OpenLog* state = new OpenLog;
    return *state;
}

bool CurrentPath(const std::string& fileName, OpenLog& log) {
    while (getcwd(log.directory.data(), log.directory.size()) == nullptr) {
        if (errno != ERANGE)
            return false;
        log.directory.resize(log.directory.size() * 2);
    }
    log.wanted.assign(log.directory.data());
    log.wanted += '/';
    log.wanted += fileName;
    return true;
}

} // namespace

TargetRefusal AppendToLogFile(const std::string& fileName, std::string_view bytes,
                              std::string& path) {
    OpenLog& log = State();
    if (!CurrentPath(fileName, log))
        return TargetRefusal::None;
    if (log.fd < 0 || log.wanted != log.path) {
        log.Close();
        log.fd =
            open(log.wanted.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
        TargetRefusal refusal = TargetRefusal::None;
        struct stat info {};
        if (log.fd < 0 && errno == ELOOP)
            refusal = TargetRefusal::ReparsePoint;
        else if (log.fd >= 0 && fstat(log.fd, &info) == 0 && info.st_nlink > 1)
            refusal = TargetRefusal::HardLinked;
        if (log.fd < 0 || refusal != TargetRefusal::None) {
            log.Close();
            path = log.wanted;
            return refusal;
        }
        log.path = log.wanted;
    }
    if (write(log.fd, bytes.data(), bytes.size()) < 0)
        log.Close(); // a lost line is not reported, as on Windows; the next one reopens
    return TargetRefusal::None;
}

void CloseLogFile() {
    State().Close();
}
