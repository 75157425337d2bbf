// An event log for tests: it keeps every event a tool raised, in order.
#pragma once

#include "EventLog.h"

#include <vector>

class RecordingEventLog : public IEventLog {
public:
    std::vector<ToolEvent> events;

    void Report(const ToolEvent& event) override { events.push_back(event); }

    // The events of one id, in order.
    std::vector<ToolEvent> Of(std::uint32_t id) const {
        std::vector<ToolEvent> found;
        for (const ToolEvent& event : events)
            if (event.id == id)
                found.push_back(event);
        return found;
    }
};
