// The tool's log: one text line per call, appended to "<tool>.log" in the current directory.
//
// Every call opens, appends and closes the file, so the log is complete even when the
// program ends abruptly; nothing is buffered and failures are silent (the log must never
// stop the tool). Lines are ANSI text (code page 932) ended by CR LF, fields separated by
// commas without quoting. A line is at most 1,023 bytes: a longer one is cut on a character
// boundary and still ends with CR LF, so the next line starts on a line of its own.
#pragma once

#include <cstdint>
#include <string>

struct LogTime {
    int year, month, day, hour, minute, second;
};

constexpr std::size_t kMaxLogLineBytes = 1023;

// Chooses the file name ("Scrutel.log" or "Mendora.log"); set once at start-up.
void SetLogFileName(const std::string& name);
const std::string& LogFileName();

// "date time,【Success|Failure】,text,text2,text3,text4" — failed selects "Failure".
void WriteResultLine(bool failed, const std::string& text, const std::string& text2 = {},
                     const std::string& text3 = {}, const std::string& text4 = {});

// "date time,source file,line,CODE1,CODE2,message" with the codes as 8 upper-case hex digits;
// the source file is named without its folders.
void WriteErrorCodeLine(const char* sourceFile, int line, std::uint32_t code1, std::uint32_t code2,
                        const std::string& message);

// The formatting of both line kinds, CR LF and the length cut included.
std::string FormatResultLine(const LogTime& time, bool failed, const std::string& text,
                             const std::string& text2, const std::string& text3,
                             const std::string& text4);
std::string FormatErrorCodeLine(const LogTime& time, const char* sourceFile, int line,
                                std::uint32_t code1, std::uint32_t code2,
                                const std::string& message);

// Platform side: appends bytes to fileName in the current directory, creating the file
// when it does not exist; silent on failure.
void AppendToLogFile(const std::string& fileName, const std::string& bytes);
