// What a check needs from the main dialog of the tool that runs it. Both tools' dialogs
// carry the checks; this is the narrow face they show them, so that the checks run in
// tests with a host that records what a dialog would show. What a check found for later
// phases it returns to its caller; it keeps nothing in the host.
#pragma once

#include "LogFile.h"
#include "Outcome.h"
#include "ToolProfile.h"

#include <cstdint>
#include <string>

class ICheckHost {
public:
    virtual ~ICheckHost() = default;
    virtual const ToolProfile& Profile() const = 0;
    // A text of the tool's string table, in the ANSI code page.
    virtual std::string LoadText(int id) const = 0;
    // Appends to the report text and shows the whole report at once.
    virtual void AppendReport(const std::string& text) = 0;
    // Refreshes the dialog's controls from its data.
    virtual void RefreshDialog() = 0;
    // An error message box (OK button, error icon, the tool's title).
    virtual void ShowError(const std::string& message) = 0;
    // Dispatches every waiting window message and returns.
    virtual void PumpMessages() = 0;
    virtual void SetWaitCursor() = 0;
    // Pushes the current text of the running phase's progress window again.
    virtual void RefreshProgress() = 0;
    // Runs one statement on the document-type database (through the interpreter): its
    // status and output as the interpreter query gives them.
    virtual std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) = 0;
    // The tool's log, where the findings go.
    virtual ILog& Log() = 0;
    // A section of the report with its count has been appended (for a run that records
    // the counts apart from the report text).
    virtual void SectionCounted(int /*headerId*/, long /*count*/) {}
};
