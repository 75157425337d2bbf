// The tool's log as a subscriber of a run: the lines the tools have always written, in the
// order the run's events come. Each phase's begin and end line is a text of the tool's
// string table with the name in it; the document type check's are fixed. A result's
// findings and changes, a line a row, go to the file together (ILog::ResultLater): at the
// latest when its check or the run ends, or the session sends its next statement.
#pragma once

#include "LogFile.h"
#include "RunEvents.h"

#include <functional>
#include <string>

// String ids with one "%s" for the name; 0 where the tool logs nothing.
struct PhaseLogTexts {
    int checkBegun;
    int checkEnded;
    int repairBegun;
    int repairEnded;
    int docTypeRepairBegun;
    int docTypeRepairEnded;
};

class CRunLog : public IRunEvents {
public:
    CRunLog(ILog& log, std::function<std::string(int id)> loadText, const PhaseLogTexts& texts)
        : log_(log), loadText_(std::move(loadText)), texts_(texts) {}

    void PhaseBegun(RunPhase phase, const std::string& name) override {
        PhaseLine(phase, true, name);
    }
    void PhaseEnded(RunPhase phase, const std::string& name) override {
        PhaseLine(phase, false, name);
    }
    void Finding(const std::string& label, const std::string& message) override {
        log_.ResultLater(LogStatus::Failure, label, message);
    }
    void ChangeMade(const std::string& label, const std::string& message) override {
        log_.ResultLater(LogStatus::Success, label, message);
    }
    void CheckEnded(const char*, Outcome) override { log_.Flush(); }
    void Ended(Outcome) override { log_.Flush(); }
    void Summarised(const std::string& text) override;
    void Failed(const RunFailure& failure) override;

private:
    void PhaseLine(RunPhase phase, bool begun, const std::string& name);

    ILog& log_;
    std::function<std::string(int id)> loadText_;
    PhaseLogTexts texts_;
};
