// The tools' events in the Windows event log (Application), under each tool's own source
// whose message file is the program itself.
#pragma once

#include "EventLog.h"

#include <windows.h>

#include <string>

// The registry key of a source (ASCII) of the Application log.
std::wstring EventSourceKey(const std::string& source);

// Registers this program as source of the Application log, unless it already is from where
// it lies now (a moved program registers again); false when that could not be written, and
// Event Viewer then shows the events without their text.
bool RegisterProgramEventSource(const std::string& source);

class CWindowsEventLog : public IEventLog {
public:
    explicit CWindowsEventLog(const std::string& source);
    ~CWindowsEventLog() override;
    CWindowsEventLog(const CWindowsEventLog&) = delete;
    CWindowsEventLog& operator=(const CWindowsEventLog&) = delete;

    void Report(const ToolEvent& event) override;

private:
    HANDLE source_;
};
