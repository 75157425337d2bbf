#include "LogFile.h"

#include "Mbcs.h"
#include "Text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>

namespace {

LogTime LocalTime(std::time_t when) {
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

void AppendTimestamp(std::string& out, const LogTime& t) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%d/%02d/%02d %02d:%02d:%02d", t.year,
                                     t.month, t.day, t.hour, t.minute, t.second);
    out.append(buffer, static_cast<std::size_t>(length));
}

// One entry is one line: a line break or a zero byte inside a text (a message of the helper
// library, an argument of the command line) would start a line that is no entry, or hide the
// rest of one. Each becomes a blank; in code page 932 none of them is ever a trail byte.
void AppendText(std::string& out, std::string_view text) {
    const std::size_t at = out.size();
    out += text;
    std::replace_if(
        out.begin() + static_cast<std::ptrdiff_t>(at), out.end(),
        [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
}

void AppendResultText(std::string& out, LogStatus status, std::string_view text,
                      std::string_view text2, std::string_view text3, std::string_view text4) {
    static const std::string open = Ansi("【");
    static const std::string close = Ansi("】");
    out += open;
    out += status == LogStatus::Failure ? "Failure" : "Success";
    out += close;
    for (std::string_view field : {text, text2, text3, text4}) {
        out += ',';
        AppendText(out, field);
    }
}

// __FILE__ holds the path the build machine compiled from; the log names the file alone.
void AppendErrorCodeText(std::string& out, const char* sourceFile, int line, std::uint32_t code1,
                         std::uint32_t code2, std::string_view message) {
    const std::string_view path = sourceFile;
    const std::size_t slash = path.find_last_of("/\\");
    AppendText(out, slash == std::string_view::npos ? path : path.substr(slash + 1));
    char codes[64];
    const int length = std::snprintf(codes, sizeof codes, ",%d,%08X,%08X,", line,
                                     static_cast<unsigned>(code1), static_cast<unsigned>(code2));
    out.append(codes, static_cast<std::size_t>(length));
    AppendText(out, message);
}

// Cuts the line to fit with its CR LF, on a character boundary, and ends it.
void EndLine(std::string& line) {
    const std::size_t room = kMaxLogLineBytes - 2;
    if (line.size() > room)
        line.resize(mbcs::PrefixLength(line, room));
    line += "\r\n";
}

// Each line is built in one buffer that lives as long as the log, and handed to the file in
// the current directory at that moment, together with the lines that waited before it.
class CFileLog : public ILog {
public:
    ~CFileLog() override { Flush(); }

    void Result(LogStatus status, const std::string& text, const std::string& text2,
                const std::string& text3, const std::string& text4) override {
        std::unique_lock<std::mutex> lock(mutex_);
        StartLine();
        AppendResultText(line_, status, text, text2, text3, text4);
        Wait();
        Write(lock);
    }
    void ErrorCode(const char* sourceFile, int line, std::uint32_t code1, std::uint32_t code2,
                   const std::string& message) override {
        std::unique_lock<std::mutex> lock(mutex_);
        StartLine();
        AppendErrorCodeText(line_, sourceFile, line, code1, code2, message);
        Wait();
        Write(lock);
    }
    void ResultLater(LogStatus status, const std::string& text, const std::string& text2) override {
        std::unique_lock<std::mutex> lock(mutex_);
        StartLine();
        AppendResultText(line_, status, text, text2, {}, {});
        Wait();
        if (waiting_.size() >= kWaitingBytes)
            Write(lock);
    }
    void Flush() override {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!waiting_.empty())
            Write(lock);
    }
    void SetName(const std::string& name) {
        Flush();
        const std::lock_guard<std::mutex> lock(mutex_);
        name_ = name;
        CloseLogFile();
    }
    void SetRefusalHandler(std::function<void(const std::string&)> handler) {
        const std::lock_guard<std::mutex> lock(mutex_);
        refusalHandler_ = std::move(handler);
    }

private:
    // The date and time the line starts with; the local time is worked out once a second.
    // The clock is read through std::chrono: the C library's time() looks up the time zone
    // at every call on some runtimes (Wine's reads the zone file twice), which a line a
    // finding would pay a million times.
    void StartLine() {
        const std::time_t now =
            std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        if (now != stampedAt_) {
            stamp_.clear();
            AppendTimestamp(stamp_, LocalTime(now));
            stamp_ += ',';
            stampedAt_ = now;
        }
        line_ = stamp_;
    }
    // The line built, ended, joins those that wait.
    void Wait() {
        EndLine(line_);
        waiting_ += line_;
    }
    // Hands every line that waits to the file with one write. A refused log is told once a
    // path, after the lock is let go: the one told may log.
    void Write(std::unique_lock<std::mutex>& lock) {
        std::string path;
        const TargetRefusal refusal = AppendToLogFile(name_, waiting_, path);
        waiting_.clear();
        if (refusal == TargetRefusal::None || path == toldPath_ || !refusalHandler_)
            return;
        toldPath_ = path;
        const auto handler = refusalHandler_;
        lock.unlock();
        handler(Ansi("ログファイル ") + path + Ansi(" には書き込みません: ") +
                TargetRefusalText(refusal));
    }

    std::mutex mutex_;
    std::function<void(const std::string&)> refusalHandler_;
    std::string toldPath_;
    std::string name_ = "runtime.log"; // each program names its own log at start-up
    std::time_t stampedAt_ = -1;
    std::string stamp_;
    std::string line_;
    static constexpr std::size_t kWaitingBytes = 64 * 1024;
    std::string waiting_; // whole lines of ResultLater, not yet written
};

CFileLog& TheFileLog() {
    static CFileLog log;
    return log;
}

} // namespace

ILog& FileLog() {
    return TheFileLog();
}

void SetLogFileName(const std::string& name) {
    TheFileLog().SetName(name);
}

void SetLogRefusalHandler(std::function<void(const std::string& text)> handler) {
    TheFileLog().SetRefusalHandler(std::move(handler));
}

std::string ResultText(LogStatus status, std::string_view text, std::string_view text2,
                       std::string_view text3, std::string_view text4) {
    std::string out;
    AppendResultText(out, status, text, text2, text3, text4);
    return out;
}

std::string ErrorCodeText(const char* sourceFile, int line, std::uint32_t code1,
                          std::uint32_t code2, std::string_view message) {
    std::string out;
    AppendErrorCodeText(out, sourceFile, line, code1, code2, message);
    return out;
}

std::string FormatLogLine(const LogTime& time, std::string_view text) {
    std::string line;
    AppendTimestamp(line, time);
    line += ',';
    line += text;
    EndLine(line);
    return line;
}
