// A log for tests: it keeps every line as the log file would hold it, without its date and
// time and without CR LF, so that tests read lines instead of files.
#pragma once

#include "LogFile.h"
#include "Text.h"

#include <string>
#include <vector>

class RecordingLog : public ILog {
public:
    std::vector<std::string> lines; // ANSI; a ResultLater line at once
    int flushes = 0;

    void Result(LogStatus status, const std::string& text, const std::string& text2,
                const std::string& text3, const std::string& text4) override {
        lines.push_back(ResultText(status, text, text2, text3, text4));
    }
    void ErrorCode(const char* sourceFile, int line, std::uint32_t code1, std::uint32_t code2,
                   const std::string& message) override {
        lines.push_back(ErrorCodeText(sourceFile, line, code1, code2, message));
    }

    void Flush() override { ++flushes; }

    std::vector<std::string> Utf8Lines() const {
        std::vector<std::string> utf8;
        for (const std::string& line : lines)
            utf8.push_back(Utf8FromAnsi(line));
        return utf8;
    }
    // Every line in UTF-8, each ended by "\n".
    std::string Utf8Text() const {
        std::string text;
        for (const std::string& line : lines)
            text += Utf8FromAnsi(line) + "\n";
        return text;
    }
};
