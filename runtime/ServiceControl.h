// The Windows service control manager, as far as the tools use it. Behind an interface so
// that the decisions built on it run in tests with a fake service manager.
#pragma once

#include <cstdint>
#include <string>

// Service states as the service manager reports them (SERVICE_STOPPED = 1 ...).
enum class ServiceState : std::uint32_t {
    Unknown = 0,
    Stopped = 1,
    StartPending = 2,
    StopPending = 3,
    Running = 4,
    ContinuePending = 5,
    PausePending = 6,
    Paused = 7,
};

struct ServiceProbe {
    enum class Outcome {
        Answered,           // state holds what the service reported
        ManagerUnavailable, // the service control manager could not be opened
        ServiceUnavailable, // the service could not be opened
    };
    Outcome outcome;
    ServiceState state;
};

class IServiceControl {
public:
    virtual ~IServiceControl() = default;
    // Asks a service of the local machine for its current state (an interrogation); a
    // service that does not answer counts as stopped.
    virtual ServiceProbe Interrogate(const std::string& service) = 0;
};

// The local machine's service manager (on a host without one, a manager that cannot be
// opened).
IServiceControl& SystemServices();
