#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

// Command lines are written in the Windows form ("program" arg "quoted arg"); this side is
// used by the native tests, which start ordinary POSIX programs.
namespace {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any)
                args.push_back(current);
            current.clear();
            any = false;
        } else {
            current.push_back(c);
            any = true;
        }
    }
    if (any)
        args.push_back(current);
    return args;
}

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

struct ChildProcess::Impl {
    pid_t pid = -1;
    int stdoutReader = -1;
    int stderrReader = -1;
    int stdinWriter = -1;
    std::chrono::steady_clock::time_point deadline;
    bool endedByGuard = false;

    ~Impl() {
        CloseFd(stdoutReader);
        CloseFd(stderrReader);
        CloseFd(stdinWriter);
        if (pid > 0)
            waitpid(pid, nullptr, WNOHANG);
    }
};

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ChildProcess::~ChildProcess() = default;

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& commandLine,
                                                  const std::string& folder, bool mergeStderr,
                                                  std::chrono::milliseconds guard) {
    auto impl = std::make_unique<Impl>();
    impl->deadline = std::chrono::steady_clock::now() + guard;
    int out[2], err[2] = {-1, -1}, in[2], status[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0 || pipe2(status, O_CLOEXEC) != 0)
        return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
    if (!mergeStderr && pipe2(err, O_CLOEXEC) != 0)
        return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));

    const std::vector<std::string> args = SplitCommandLine(commandLine);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = args.empty() || folder.empty() ? -1 : fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(mergeStderr ? out[1] : err[1], 2);
        dup2(in[0], 0);
        if (chdir(folder.c_str()) == 0)
            execvp(argv[0], argv.data());
        const int code = errno;
        ssize_t ignored = write(status[1], &code, sizeof code);
        (void)ignored;
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    close(status[1]);
    if (err[1] >= 0)
        close(err[1]);
    impl->stdoutReader = out[0];
    impl->stderrReader = err[0];
    impl->stdinWriter = in[1];
    if (pid > 0) {
        // The status pipe closes on a successful exec and carries errno when exec failed.
        int code = 0;
        ssize_t n;
        do {
            n = read(status[0], &code, sizeof code);
        } while (n < 0 && errno == EINTR);
        if (n == static_cast<ssize_t>(sizeof code))
            waitpid(pid, nullptr, 0);
        else
            impl->pid = pid;
    }
    close(status[0]);
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(impl)));
}

bool ChildProcess::Started() const {
    return impl_->pid > 0;
}

bool ChildProcess::EndedByGuard() const {
    return impl_->endedByGuard;
}

ChildProcess::ReadStatus ChildProcess::Read(bool fromStdout, char* destination, std::size_t room,
                                            std::size_t& got) {
    got = 0;
    const int fd = fromStdout ? impl_->stdoutReader : impl_->stderrReader;
    if (fd < 0)
        return ReadStatus::NoStream;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            impl_->deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 && impl_->pid > 0 && !impl_->endedByGuard) {
            impl_->endedByGuard = true;
            kill(impl_->pid, SIGKILL);
            waitpid(impl_->pid, nullptr, 0);
            impl_->pid = -1;
            continue; // what the child wrote before it was ended can still be read
        }
        const ssize_t n = read(fd, destination, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadStatus::Failed;
        if (n == 0)
            return ReadStatus::End;
        got = static_cast<std::size_t>(n);
        return ReadStatus::Data;
    }
}
