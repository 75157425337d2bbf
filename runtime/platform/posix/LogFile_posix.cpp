#include "LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

// As on Windows: the path is taken afresh for every line and the file, opened for
// appending, stays open while the path stays the same.
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

void AppendToLogFile(const std::string& fileName, std::string_view bytes) {
    OpenLog& log = State();
    if (!CurrentPath(fileName, log))
        return;
    if (log.fd < 0 || log.wanted != log.path) {
        log.Close();
        log.fd = open(log.wanted.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (log.fd < 0)
            return;
        log.path = log.wanted;
    }
    if (write(log.fd, bytes.data(), bytes.size()) < 0)
        log.Close(); // a lost line is not reported, as on Windows; the next one reopens
}

void CloseLogFile() {
    State().Close();
}
