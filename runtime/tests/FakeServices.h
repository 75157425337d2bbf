// A service manager for tests: every service answers with the state it is given.
#pragma once

#include "ServiceControl.h"

#include <map>

class FakeServices : public IServiceControl {
public:
    ServiceProbe::Outcome outcome = ServiceProbe::Outcome::Answered;
    std::map<std::string, ServiceState> states;
    ServiceProbe Interrogate(const std::string& service) override {
        auto it = states.find(service);
        return {outcome, it == states.end() ? ServiceState::Stopped : it->second};
    }
};
