// A service manager for tests and benchmarks: services with a state and a start type; a stop
// request takes the given number of polls to finish; every request is recorded.
// Interrogated, a service answers with its state; `reach` makes the manager or the service
// unreachable, and a manager made by Running() answers that every service it does not know
// runs (the local SQL Server of tests that talk to a stand-in).
#pragma once

#include "ServiceManager.h"

#include <map>
#include <string>
#include <vector>

class FakeServiceManager : public IServiceManager {
public:
    struct Service {
        ServiceState state = ServiceState::Running;
        ServiceStartType startType = ServiceStartType::Auto;
        int pollsToStop = 0; // state queries a stop takes; -1: it never stops
        bool refuseConfig = false;
        bool refuseStart = false;
    };
    std::map<std::string, Service> services;
    std::vector<std::string> requests; // "stop X", "config X 4", "start X"
    ServiceProbe::Reach reach = ServiceProbe::Reach::Answered;
    bool unknownServicesRun = false;

    static FakeServiceManager& Running() {
        static FakeServiceManager manager;
        manager.unknownServicesRun = true;
        return manager;
    }

    ServiceProbe Interrogate(const std::string& name) override {
        auto it = services.find(name);
        if (reach != ServiceProbe::Reach::Answered)
            return {reach, ServiceState::Unknown};
        if (it != services.end())
            return {reach, it->second.state};
        return unknownServicesRun
                   ? ServiceProbe{reach, ServiceState::Running}
                   : ServiceProbe{ServiceProbe::Reach::ServiceUnavailable, ServiceState::Unknown};
    }

    std::optional<ServiceState> State(const std::string& name) override {
        auto it = services.find(name);
        if (it == services.end())
            return std::nullopt;
        Service& s = it->second;
        if (s.state == ServiceState::StopPending && s.pollsToStop >= 0 && s.pollsToStop-- == 0)
            s.state = ServiceState::Stopped;
        return s.state;
    }
    std::optional<ServiceStartType> StartType(const std::string& name) override {
        auto it = services.find(name);
        return it == services.end() ? std::nullopt : std::optional(it->second.startType);
    }
    bool RequestStop(const std::string& name) override {
        requests.push_back("stop " + name);
        auto it = services.find(name);
        if (it == services.end() || it->second.state != ServiceState::Running)
            return false;
        it->second.state =
            it->second.pollsToStop == 0 ? ServiceState::Stopped : ServiceState::StopPending;
        return true;
    }
    bool SetStartType(const std::string& name, ServiceStartType type) override {
        requests.push_back("config " + name + " " + std::to_string(static_cast<int>(type)));
        auto it = services.find(name);
        if (it == services.end() || it->second.refuseConfig)
            return false;
        it->second.startType = type;
        return true;
    }
    bool Start(const std::string& name) override {
        requests.push_back("start " + name);
        auto it = services.find(name);
        if (it == services.end() || it->second.refuseStart)
            return false;
        it->second.state = ServiceState::Running;
        return true;
    }
};
