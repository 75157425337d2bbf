// The run a check runs in, in tests and benchmarks: it keeps the report text, the messages
// the administrator would be shown and the log's lines (written by the run's own log
// subscriber), whether a transaction is open, counts the yields, and answers the document-type
// statements; texts come from the tool's string table.
#pragma once

#include "CheckHost.h"
#include "RecordingLog.h"
#include "RunLog.h"
#include "StringTable.h"
#include "Text.h"

#include <functional>
#include <string>
#include <vector>

class TestHost : public ICheckHost, public IRunEvents {
public:
    // Lines go to log, or to writeTo when it is given.
    TestHost(Tool tool, const CheckOptions& options, ILog* writeTo = nullptr)
        : tool_(tool), options_(options),
          runLog_(
              writeTo != nullptr ? *writeTo : log, [this](int id) { return LoadText(id); },
              PhaseLogTexts{}),
          events_({&runLog_, this}) {}

    std::string report;
    std::vector<std::string> errors; // message box texts, in order
    int yields = 0;
    bool transactionOpen = false;
    // Answers the document-type statements; by default no interpreter is there.
    std::function<std::uint32_t(const std::string&, std::string&)> interpreter =
        [](const std::string&, std::string& output) {
            output.clear();
            return 0u;
        };
    std::vector<std::string> docTypeStatements;
    RecordingLog log;

    const CheckOptions& Options() const override { return options_; }
    std::string LoadText(int id) const override {
        const char* text = FindString(tool_, id);
        return text ? Ansi(text) : "<missing string " + std::to_string(id) + ">";
    }
    std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) override {
        docTypeStatements.push_back(statement);
        return interpreter(statement, output);
    }
    IRunEvents& Events() override { return events_; }
    void YieldNow() override { ++yields; }

    void ReportAppended(const std::string& text) override { report += text; }
    void Failed(const RunFailure& failure) override {
        if (!failure.shown.empty())
            errors.push_back(failure.shown);
    }
    void TransactionOpened() override { transactionOpen = true; }
    void TransactionClosed() override { transactionOpen = false; }

private:
    Tool tool_;
    const CheckOptions& options_;
    CRunLog runLog_;
    CRunEventFan events_;
};
