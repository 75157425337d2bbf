// One machine for tests of the storage service's hand-over: its service manager, the tools'
// key, the processes that run and the state of the lock, shared by the tools a test runs on
// it. Each tool is a process of its own (Tool), with the hand-over it starts with.
#pragma once

#include "FakeServiceManager.h"
#include "FakeToolKey.h"
#include "RecordingEventLog.h"
#include "RecordingLog.h"
#include "ServiceHandOver.h"

#include <memory>
#include <set>

struct FakeMachine {
    FakeServiceManager services;
    FakeToolKey key;
    std::set<std::pair<std::uint32_t, std::uint64_t>> running; // id, creation time
    LockResult lock = LockResult::Acquired;
    RecordingLog log;
    RecordingEventLog events;
    int slept = 0; // ms

    FakeMachine() { services.services["HalvixStoreP"] = {}; }
    FakeServiceManager::Service& Store() { return services.services["HalvixStoreP"]; }

    struct System : IHandOverSystem {
        FakeMachine& machine;
        ProcessIdentity self;
        System(FakeMachine& m, ProcessIdentity p) : machine(m), self(p) {}
        LockResult Lock() override { return machine.lock; }
        void Unlock() override {}
        ProcessIdentity CurrentProcess() const override { return self; }
        bool IsRunning(const ProcessIdentity& p) const override {
            return machine.running.count({p.id, p.created}) != 0;
        }
    };

    // A tool's process, running from its creation until Kill.
    struct Tool {
        FakeMachine& machine;
        ProcessIdentity process;
        System system;
        CServiceHandOver handOver;
        Tool(FakeMachine& m, ProcessIdentity p)
            : machine(m), process(p), system(m, p),
              handOver(
                  m.services, m.key, system, m.log, [&m](int ms) { m.slept += ms; }, m.events) {
            m.running.insert({p.id, p.created});
        }
        void Kill() { machine.running.erase({process.id, process.created}); }
    };
    std::unique_ptr<Tool> Start(std::uint32_t id, std::uint64_t created = 1000) {
        return std::make_unique<Tool>(*this, ProcessIdentity{id, created});
    }

    std::optional<HandOverRecord> Record() const {
        const auto text = key.ReadText(kHandOverValue);
        return text ? ParseHandOverRecord(*text) : std::nullopt;
    }
    // "RUNNING AUTO", as the Wine tests' svcctl prints it.
    std::string Service() {
        const auto& s = Store();
        const char* state = s.state == ServiceState::Running   ? "RUNNING"
                            : s.state == ServiceState::Stopped ? "STOPPED"
                                                               : "PENDING";
        const char* type = s.startType == ServiceStartType::Auto     ? "AUTO"
                           : s.startType == ServiceStartType::Demand ? "DEMAND"
                                                                     : "DISABLED";
        return std::string(state) + " " + type;
    }
};
