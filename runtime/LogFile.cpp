#include "LogFile.h"

#include "Mbcs.h"
#include "Text.h"

#include <cstdio>
#include <ctime>

namespace {

std::string& FileName() {
    static std::string name = "runtime.log"; // each program names its own log at start-up
    return name;
}

LogTime Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string Timestamp(const LogTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

std::string Terminate(const std::string& body) {
    const std::size_t room = kMaxLogLineBytes - 2;
    return body.substr(0, mbcs::PrefixLength(body, room)) + "\r\n";
}

// Each line opens, appends and closes the file in the current directory at that moment.
class CFileLog : public ILog {
public:
    void Result(LogStatus status, const std::string& text, const std::string& text2,
                const std::string& text3, const std::string& text4) override {
        AppendToLogFile(FileName(),
                        FormatLogLine(Now(), ResultText(status, text, text2, text3, text4)));
    }
    void ErrorCode(const char* sourceFile, int line, std::uint32_t code1, std::uint32_t code2,
                   const std::string& message) override {
        AppendToLogFile(FileName(), FormatLogLine(Now(), ErrorCodeText(sourceFile, line, code1,
                                                                       code2, message)));
    }
};

} // namespace

ILog& FileLog() {
    static CFileLog log;
    return log;
}

void SetLogFileName(const std::string& name) {
    FileName() = name;
}

std::string ResultText(LogStatus status, const std::string& text, const std::string& text2,
                       const std::string& text3, const std::string& text4) {
    const std::string open = Ansi("【");
    const std::string close = Ansi("】");
    return open + (status == LogStatus::Failure ? "Failure" : "Success") + close + "," + text +
           "," + text2 + "," + text3 + "," + text4;
}

// __FILE__ holds the path the build machine compiled from; the log names the file alone.
std::string ErrorCodeText(const char* sourceFile, int line, std::uint32_t code1,
                          std::uint32_t code2, const std::string& message) {
    const std::string path = sourceFile;
    const std::size_t slash = path.find_last_of("/\\");
    char codes[64];
    std::snprintf(codes, sizeof codes, ",%d,%08X,%08X,", line, static_cast<unsigned>(code1),
                  static_cast<unsigned>(code2));
    return (slash == std::string::npos ? path : path.substr(slash + 1)) + codes + message;
}

std::string FormatLogLine(const LogTime& time, const std::string& text) {
    return Terminate(Timestamp(time) + "," + text);
}
