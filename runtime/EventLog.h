// What the tools tell the Windows event log, where administrators and their monitoring agents
// look: how a run ended, what failed, what a repair changed, what start-up refused. Each
// event has a fixed id with its text in the message table compiled into both programs
// (runtime/EventMessages.mc; the README lists them); an event carries only its inserts, ANSI
// texts such as a cabinet's name or a count, never a login or a password.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class EventLevel { Information, Warning, Error };

// The ids of the message table; a later one never reuses an id.
constexpr std::uint32_t kEventCheckRunEnded = 1000;
constexpr std::uint32_t kEventUnattendedCheckEnded = 1001;
constexpr std::uint32_t kEventCheckFailed = 1002;
constexpr std::uint32_t kEventRepairCommitted = 1100;
constexpr std::uint32_t kEventRepairRolledBack = 1101;
constexpr std::uint32_t kEventRepairOutcomeUnknown = 1102;
constexpr std::uint32_t kEventServiceRecovered = 1200;
constexpr std::uint32_t kEventRunRefused = 1300;

struct ToolEvent {
    std::uint32_t id = 0;
    EventLevel level = EventLevel::Information;
    std::vector<std::string> inserts; // %1, %2, ... (ANSI)
};

class IEventLog {
public:
    virtual ~IEventLog() = default;
    // Nothing comes back: a tool never stops because its event could not be written.
    virtual void Report(const ToolEvent& event) = 0;
};

// For a run whose end is told by its caller.
IEventLog& NoEventLog();

// A check run of the dialog has ended: Information when nothing was found, Warning when
// something was, Error when a check or a connection failed.
ToolEvent CheckRunEndedEvent(const std::vector<std::string>& cabinets, long findings,
                             bool completed);
// Scrutel /check has ended with its exit code (0 Information, 1 Warning, above Error).
ToolEvent UnattendedCheckEndedEvent(const std::vector<std::string>& cabinets, long findings,
                                    int exitCode);
// The checks of a cabinet (or of the document types) stopped at a failure: its message.
ToolEvent CheckFailedEvent(const std::string& checked, const std::string& message);
// journal: the file the repair was written to, empty while the tools keep none.
ToolEvent RepairCommittedEvent(const std::string& cabinet, long correctedRows, long deletedRows,
                               const std::string& journal);
ToolEvent RepairRolledBackEvent(const std::string& cabinet, const std::string& why);
// The COMMIT was sent and failed: whether the server committed is not known.
ToolEvent RepairOutcomeUnknownEvent(const std::string& cabinet, const std::string& why);
ToolEvent ServiceRecoveredEvent(const std::string& service, const std::string& condition,
                                const std::string& holders);
ToolEvent RunRefusedEvent(const std::string& why);
