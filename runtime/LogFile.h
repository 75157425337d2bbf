// The tool's log: one text line per entry. Two kinds of line: a result ("【Success】" or
// "【Failure】" and four texts) and an error code (the reporting source file and line, two
// codes, a short English text).
//
// Everything that logs writes to an ILog it is given: the programs give the log file,
// FileLog(), "<tool>.log" in the current directory; tests give a log that keeps the lines.
// The file log hands each line to the system with one write before it returns, so the log
// is complete even when the program ends abruptly, and failures are silent (the log must
// never stop the tool). The one exception are the lines of one result that a run logs row
// after row (a check's findings, a repair's changes: ResultLater): they wait in the
// process, at most 64 KB of them, and go to the system together, with the next line
// logged otherwise or at Flush, which the SQL session calls before it sends a statement.
// So whenever the tool waits on anything outside itself its log is complete; a process
// killed while it formats one result loses that result's last lines only. Lines are ANSI text (code
// page 932) ended by CR LF, fields separated by commas without quoting, after the date and time. A
// line is at most 1,023 bytes: a longer one is cut on a character boundary and still ends with CR
// LF, so the next line starts on a line of its own.
//
// The file stays open between lines for as long as its path (the current directory and the
// name) stays the same: opening and closing it for every line cost far more than the write
// (a few thousand lines a second under Wine, less with a virus scanner looking at every
// open). It is opened for appending only and shared for reading and writing: each line is
// one write, which Windows puts at the end of the file whole. A change of the current
// directory sends the next line to the log in the new directory.
//
// The tools run elevated and the current directory may be one other users write to: a log
// path that is a reparse point, or a file with a second hard link, is not written to (the
// append would land in the file it points at), and the tool is told so once for that path.
#pragma once

#include "FileTarget.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class LogStatus { Success, Failure };

class ILog {
public:
    virtual ~ILog() = default;
    // "【Success|Failure】,text,text2,text3,text4"
    virtual void Result(LogStatus status, const std::string& text, const std::string& text2 = {},
                        const std::string& text3 = {}, const std::string& text4 = {}) = 0;
    // "source file,line,CODE1,CODE2,message" with the codes as 8 upper-case hex digits; the
    // source file is named without its folders.
    virtual void ErrorCode(const char* sourceFile, int line, std::uint32_t code1,
                           std::uint32_t code2, const std::string& message) = 0;
    // A result line that may wait in the process until the next line logged otherwise or
    // Flush: one of the many lines a result's rows give.
    virtual void ResultLater(LogStatus status, const std::string& text, const std::string& text2) {
        Result(status, text, text2);
    }
    // Hands the lines that wait to the system.
    virtual void Flush() {}
};

// The program's log file; its name ("Scrutel.log" or "Mendora.log") is set once at start-up.
// Setting a name lets go of the file the log had open.
ILog& FileLog();
void SetLogFileName(const std::string& name);
// Who is told (ANSI text) when a log path is refused; once for each path.
void SetLogRefusalHandler(std::function<void(const std::string& text)> handler);

// What a line says, without its date and time.
std::string ResultText(LogStatus status, std::string_view text, std::string_view text2,
                       std::string_view text3, std::string_view text4);
std::string ErrorCodeText(const char* sourceFile, int line, std::uint32_t code1,
                          std::uint32_t code2, std::string_view message);

struct LogTime {
    int year, month, day, hour, minute, second;
};

constexpr std::size_t kMaxLogLineBytes = 1023;

// A whole line of the file: date and time, the text, the length cut and CR LF.
std::string FormatLogLine(const LogTime& time, std::string_view text);

// Platform side: appends the bytes with one write to fileName in the current directory,
// creating the file when it does not exist; silent on failure. The file stays open until
// the path differs or CloseLogFile. A refused file is not written: the refusal and the
// path it was told for come back.
TargetRefusal AppendToLogFile(const std::string& fileName, std::string_view bytes,
                              std::string& path);
// Lets go of the open log file, for whoever wants to move or delete it while the program
// runs; the next line opens it again.
void CloseLogFile();
