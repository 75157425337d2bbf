// What a check or repair run tells whoever follows it, as it happens. The runs know no
// window and no log file: the dialogs (report, progress, message boxes), the log
// (run/RunLog.h) and Scrutel's unattended record each subscribe to these events, and a run
// tells several subscribers at once through CRunEventFan. Texts are ANSI (code page 932).
#pragma once

#include "CabinetCatalogue.h"
#include "Outcome.h"

#include <string>
#include <vector>

// The parts of a run, each begun and ended on one cabinet or on the document types.
enum class RunPhase { CabinetCheck, DocumentTypeCheck, CabinetRepair, DocumentTypeRepair };

// Why a step failed: what the administrator is told, and the line the log keeps of it.
struct RunFailure {
    std::string shown; // the message box text; empty when nothing is shown
    // The log's line: a Failure line of logText and logText2 when logText is set, or an error
    // code line of errorCode written by sourceFile at line.
    std::string logText;
    std::string logText2;
    const char* errorCode = nullptr;
    const char* sourceFile = "";
    int line = 0;
};

class IRunEvents {
public:
    virtual ~IRunEvents() = default;
    // The run's steps, for a progress bar; StepDone moves it.
    virtual void RunBegun(int /*steps*/) {}
    virtual void StepDone(int /*step*/) {}
    // A cabinet's phase is about to begin on this cabinet.
    virtual void CabinetBegun(const CabinetRecord& /*cabinet*/) {}
    virtual void PhaseBegun(RunPhase /*phase*/, const std::string& /*name*/) {}
    virtual void PhaseEnded(RunPhase /*phase*/, const std::string& /*name*/) {}
    // The report grew by text.
    virtual void ReportAppended(const std::string& /*text*/) {}
    // The running check's section holds count rows; the check then ended.
    virtual void CheckCounted(long /*count*/) {}
    virtual void CheckEnded(const char* /*check*/, Outcome /*outcome*/) {}
    // A defect found, under the name of its cabinet (or "文書タイプ").
    virtual void Finding(const std::string& /*label*/, const std::string& /*message*/) {}
    // A row changed by a repair, under the name of its cabinet (or "文書タイプ").
    virtual void ChangeMade(const std::string& /*label*/, const std::string& /*message*/) {}
    // A count the log keeps as one line.
    virtual void Summarised(const std::string& /*text*/) {}
    virtual void Failed(const RunFailure& /*failure*/) {}
    // A transaction is open on the server until TransactionClosed.
    virtual void TransactionOpened() {}
    virtual void TransactionClosed() {}
    virtual void Ended(Outcome /*outcome*/) {}
};

// Hands every event to each subscriber in the order they were given.
class CRunEventFan : public IRunEvents {
public:
    explicit CRunEventFan(std::vector<IRunEvents*> subscribers)
        : subscribers_(std::move(subscribers)) {}

    void RunBegun(int steps) override { Tell(&IRunEvents::RunBegun, steps); }
    void StepDone(int step) override { Tell(&IRunEvents::StepDone, step); }
    void CabinetBegun(const CabinetRecord& cabinet) override {
        Tell(&IRunEvents::CabinetBegun, cabinet);
    }
    void PhaseBegun(RunPhase phase, const std::string& name) override {
        Tell(&IRunEvents::PhaseBegun, phase, name);
    }
    void PhaseEnded(RunPhase phase, const std::string& name) override {
        Tell(&IRunEvents::PhaseEnded, phase, name);
    }
    void ReportAppended(const std::string& text) override {
        Tell(&IRunEvents::ReportAppended, text);
    }
    void CheckCounted(long count) override { Tell(&IRunEvents::CheckCounted, count); }
    void CheckEnded(const char* check, Outcome outcome) override {
        Tell(&IRunEvents::CheckEnded, check, outcome);
    }
    void Finding(const std::string& label, const std::string& message) override {
        Tell(&IRunEvents::Finding, label, message);
    }
    void ChangeMade(const std::string& label, const std::string& message) override {
        Tell(&IRunEvents::ChangeMade, label, message);
    }
    void Summarised(const std::string& text) override { Tell(&IRunEvents::Summarised, text); }
    void Failed(const RunFailure& failure) override { Tell(&IRunEvents::Failed, failure); }
    void TransactionOpened() override { Tell(&IRunEvents::TransactionOpened); }
    void TransactionClosed() override { Tell(&IRunEvents::TransactionClosed); }
    void Ended(Outcome outcome) override { Tell(&IRunEvents::Ended, outcome); }

private:
    template <typename Event, typename... Arguments>
    void Tell(Event event, const Arguments&... arguments) {
        for (IRunEvents* subscriber : subscribers_)
            (subscriber->*event)(arguments...);
    }

    std::vector<IRunEvents*> subscribers_;
};
