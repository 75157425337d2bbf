// The check run: every check on each given cabinet in the given order, then the document
// types once. It knows no window: what it finds and how it goes it tells its events, and
// what it ended with it returns, with the reason of a failure.
#pragma once

#include "CheckHost.h"
#include "RunServices.h"

#include <string>
#include <vector>

// The checks of each cabinet; the document types are checked once a run.
constexpr int kChecksPerCabinet = 6;

// The separator line of the reports: 58 hyphens, then a blank line.
extern const char kReportSeparator[];

struct CheckRunResult {
    Outcome outcome = Outcome::Failed;
    std::vector<std::string> checked; // the names of the run's cabinets, as the list shows them
    std::string failedAt;             // the cabinet's short name, or "文書タイプ"
    std::string reason;               // the message of the failure that ended the run
};

// The run's steps for a progress bar: a step per check, the document types one.
int CheckRunSteps(std::size_t cabinets);

CheckRunResult RunCheck(const std::vector<CabinetRecord>& cabinets, const RunServices& services,
                        const CheckOptions& options, IRunEvents& events);

// Keeps the message of the last failure told, for the result of a run.
class CLastFailure : public IRunEvents {
public:
    void Failed(const RunFailure& failure) override {
        if (!failure.shown.empty())
            message = failure.shown;
    }
    std::string message;
};
