#include "EventLog.h"

#include "Text.h"

namespace {

class CNoEventLog : public IEventLog {
public:
    void Report(const ToolEvent&) override {}
};

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

IEventLog& NoEventLog() {
    static CNoEventLog none;
    return none;
}

ToolEvent CheckRunEndedEvent(const std::vector<std::string>& cabinets, long findings,
                             bool completed) {
    const EventLevel level = !completed     ? EventLevel::Error
                             : findings > 0 ? EventLevel::Warning
                                            : EventLevel::Information;
    return {kEventCheckRunEnded,
            level,
            {Joined(cabinets), std::to_string(findings),
             Ansi(completed ? "すべてのチェックが完了しました" : "チェックが中断されました")}};
}

ToolEvent UnattendedCheckEndedEvent(const std::vector<std::string>& cabinets, long findings,
                                    int exitCode) {
    const EventLevel level = exitCode == 0   ? EventLevel::Information
                             : exitCode == 1 ? EventLevel::Warning
                                             : EventLevel::Error;
    return {kEventUnattendedCheckEnded,
            level,
            {Joined(cabinets), std::to_string(findings), std::to_string(exitCode)}};
}

ToolEvent CheckFailedEvent(const std::string& checked, const std::string& message) {
    return {kEventCheckFailed, EventLevel::Error, {checked, message}};
}

ToolEvent RepairCommittedEvent(const std::string& cabinet, long correctedRows, long deletedRows,
                               const std::string& journal) {
    return {kEventRepairCommitted,
            EventLevel::Information,
            {cabinet, std::to_string(correctedRows), std::to_string(deletedRows),
             journal.empty() ? std::string() : Ansi("\r\n記録ファイル: ") + journal}};
}

ToolEvent RepairRolledBackEvent(const std::string& cabinet, const std::string& why) {
    return {kEventRepairRolledBack, EventLevel::Error, {cabinet, why}};
}

ToolEvent RepairOutcomeUnknownEvent(const std::string& cabinet, const std::string& why) {
    return {kEventRepairOutcomeUnknown, EventLevel::Error, {cabinet, why}};
}

ToolEvent ServiceRecoveredEvent(const std::string& service, const std::string& condition,
                                const std::string& holders) {
    return {kEventServiceRecovered, EventLevel::Warning, {service, condition, holders}};
}

ToolEvent RunRefusedEvent(const std::string& why) {
    return {kEventRunRefused, EventLevel::Warning, {why}};
}
