// The Windows service control manager, as far as the tools use it, and the steps they take
// with it: the SQL Server session asks whether the local SQL Server runs; the hand-over of
// the storage service (ServiceHandOver.h) stops it and sets it to disabled for a run, and
// puts it back as it was found. The manager sits behind IServiceManager so that these
// steps, and the polls of a stop, run in tests with a fake manager and a fake clock.
#pragma once

#include "Outcome.h"

#include <cstdint>
#include <functional>
#include <optional>
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

// What asking a service for its state met.
struct ServiceProbe {
    enum class Reach {
        Answered,           // state holds what the service reported
        ManagerUnavailable, // the service control manager could not be opened
        ServiceUnavailable, // the service could not be opened
    };
    Reach reach;
    ServiceState state;
};

enum class ServiceStartType : std::uint32_t {
    Auto = 2,     // SERVICE_AUTO_START
    Demand = 3,   // SERVICE_DEMAND_START
    Disabled = 4, // SERVICE_DISABLED
};

class IServiceManager {
public:
    virtual ~IServiceManager() = default;
    // Each call opens the local service manager and the service and closes both again.
    // Asks the service itself for its current state (an interrogation); a service that
    // does not answer counts as stopped.
    virtual ServiceProbe Interrogate(const std::string& service) = 0;
    // Nothing when the manager or the service cannot be opened or the query fails.
    virtual std::optional<ServiceState> State(const std::string& service) = 0;
    virtual std::optional<ServiceStartType> StartType(const std::string& service) = 0;
    virtual bool RequestStop(const std::string& service) = 0;
    virtual bool SetStartType(const std::string& service, ServiceStartType type) = 0;
    virtual bool Start(const std::string& service) = 0;
};

// The local machine's service manager (on a host without one, a manager that cannot be
// opened).
IServiceManager& SystemServiceManager();

using SleepFn = std::function<void(int milliseconds)>;
void SleepMilliseconds(int milliseconds);

// How long a tool waits for the service to stop, and then for a stop it gave up on to
// settle. The service is asked every 50 ms: the storage service is down for its users from
// the moment it stops, and every moment the tool sleeps past that is downtime of its own.
constexpr int kStopWaitSeconds = 60;
constexpr int kStopPollIntervalMs = 50;
constexpr int kStopPollsPerSecond = 1000 / kStopPollIntervalMs;

struct ServiceWait {
    SleepFn sleep = SleepMilliseconds;
    int seconds = kStopWaitSeconds;
    int Polls() const { return seconds * kStopPollsPerSecond; }
};

// How a service stands: the two things the tools change and put back.
struct ServiceCondition {
    ServiceStartType startType;
    bool running;
};

// Nothing when the manager or the service cannot be asked.
std::optional<ServiceCondition> QueryServiceCondition(IServiceManager& services,
                                                      const std::string& service);
bool IsServiceStoppedAndDisabled(IServiceManager& services, const std::string& service);

// Requests the stop and sets the service to disabled once it is seen stopped, within the
// wait's polls. Failed when the service cannot be asked at all, did not stop in time or
// could not be disabled: it is then left as the request left it (see PutServiceBack).
Outcome StopAndDisableService(IServiceManager& services, const std::string& service,
                              const ServiceWait& wait);

// Puts a service back as it was found: its start type, and running when it ran. A service
// still stopping or starting is given the wait's polls to settle first.
enum class PutBack {
    Done,
    StartTypeNotSet, // the start type could not be changed
    StillStopping,   // it did not settle within the wait
    NotStarted,      // the start request failed
};
PutBack PutServiceBack(IServiceManager& services, const std::string& service,
                       const ServiceCondition& found, const ServiceWait& wait);
