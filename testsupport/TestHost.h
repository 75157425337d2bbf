// A main dialog for the checks in tests: it keeps the report text and the log's lines, and
// records message boxes, message pumps, cursor and refresh calls; texts come from the
// tool's string table.
#pragma once

#include "CheckHost.h"
#include "RecordingLog.h"
#include "StringTable.h"
#include "Text.h"

#include <functional>
#include <string>
#include <vector>

class TestHost : public ICheckHost {
public:
    explicit TestHost(const ToolProfile& profile) : profile_(profile) {}

    std::string report;
    std::vector<std::string> errors; // message box texts, in order
    int pumps = 0;
    int waitCursors = 0;
    int progressRefreshes = 0;
    int dialogRefreshes = 0;
    // Answers the document-type statements; by default no interpreter is there.
    std::function<std::uint32_t(const std::string&, std::string&)> interpreter =
        [](const std::string&, std::string& output) {
            output.clear();
            return 0u;
        };
    std::vector<std::string> docTypeStatements;
    RecordingLog log;

    const ToolProfile& Profile() const override { return profile_; }
    std::string LoadText(int id) const override {
        const char* text = FindString(profile_.tool, id);
        return text ? Ansi(text) : "<missing string " + std::to_string(id) + ">";
    }
    void AppendReport(const std::string& text) override { report += text; }
    void RefreshDialog() override { ++dialogRefreshes; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void PumpMessages() override { ++pumps; }
    void SetWaitCursor() override { ++waitCursors; }
    void RefreshProgress() override { ++progressRefreshes; }
    std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) override {
        docTypeStatements.push_back(statement);
        return interpreter(statement, output);
    }
    ILog& Log() override { return log; }

private:
    const ToolProfile& profile_;
};
