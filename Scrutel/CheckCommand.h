// Scrutel run by the task scheduler, without a window:
//   Scrutel.exe /check [/cabinet NAME]... [/report FILE] [/json FILE]
// and what such a run records: per cabinet how each check ended with its count and the
// findings as the log writes them, the document types, and the exit code a scheduler or a
// monitoring script reads.
#pragma once

#include "EventLog.h"
#include "Outcome.h"

#include <string>
#include <vector>

struct CheckCommand {
    std::vector<std::string> cabinets; // names as the cabinet list shows them; none: all
    std::string reportFile;            // the report text as the dialog shows it (CP932)
    std::string jsonFile;              // the run's record as JSON (UTF-8)
};

// Whether the command line asks for a run without a window: one of its arguments is /check.
bool IsCheckCommand(const std::vector<std::string>& arguments);

// Reads the arguments of a run without a window (options start with / or -, in any case).
// A bad command line gives false and says why in error.
bool ParseCheckCommand(const std::vector<std::string>& arguments, CheckCommand& command,
                       std::string& error);

// The exit codes of a run without a window.
enum CheckExitCode : int {
    kCheckClean = 0,      // every check completed and found nothing
    kCheckFindings = 1,   // every check completed and something was found
    kCheckFailed = 2,     // a check or a connection failed
    kCheckRefused = 3,    // another tool runs, the product is missing, the service would not stop
    kCheckBadCommand = 4, // bad command line (nothing written) or unknown cabinet name
};

struct CheckFinding {
    std::string status; // "Success" or "Failure", as the log writes it
    std::string texts[4];
};

struct CheckResult {
    std::string name; // userRecords, sectionCount, ... documentTypes
    bool completed = false;
    long count = 0;
};

struct CabinetRun {
    std::string name;
    std::vector<CheckResult> checks; // those that ended, in the order they ran
    std::vector<CheckFinding> findings;
    std::string error; // what stopped its checks, if anything did
};

struct CheckRun {
    std::string version;
    std::string started; // UTC, ISO 8601
    std::string ended;
    std::vector<CabinetRun> cabinets;
    bool documentTypesRan = false;
    CheckResult documentTypes;
    std::vector<CheckFinding> documentTypeFindings;
    std::vector<std::string> errors; // refusals and failures, as the dialog would show them
    int exitCode = kCheckFailed;
};

// 0 or 1 for a run whose checks all completed (checksPerCabinet each, and the document
// types), by whether anything was counted; 2 otherwise.
int CompletedRunExitCode(const CheckRun& run, std::size_t checksPerCabinet);

// The run as JSON; its texts are ANSI (code page 932) and go out as UTF-8.
std::string CheckRunJson(const CheckRun& run, std::size_t checksPerCabinet);

// The event that tells how the run ended: its refusal (exit codes 3 and 4), or the cabinets
// it checked, the sum of its counts and its exit code.
ToolEvent CheckRunEvent(const CheckRun& run);

// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& utf8);
