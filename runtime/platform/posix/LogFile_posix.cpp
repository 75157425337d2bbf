#include "LogFile.h"

#include <fcntl.h>
#include <unistd.h>

void AppendToLogFile(const std::string& fileName, const std::string& bytes) {
    const int fd = open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return;
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    (void)written; // a lost line is not reported, as on Windows
    close(fd);
}
