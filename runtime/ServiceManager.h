// The Windows service control manager, as far as the tools use it, and what they do with
// it: the SQL Server session asks whether the local SQL Server runs; start-up stops
// "HalvixStoreP" and sets it to disabled, and the end of the run sets it to automatic
// start and starts it again. The manager sits behind IServiceManager so that these
// decisions, and the 60 polls of a stop, run in tests with a fake manager and a fake clock.
#pragma once

#include "Outcome.h"
#include "Registry.h"

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

constexpr int kStopPolls = 60;
constexpr int kStopPollIntervalMs = 1000;

bool IsServiceStoppedAndDisabled(IServiceManager& services, const std::string& service);
// Done when the service was seen stopped and set to disabled within the polls.
Outcome StopAndDisableService(IServiceManager& services, const std::string& service,
                              const SleepFn& sleep = SleepMilliseconds);
// Done when the start type was set to automatic; the start request itself is not checked.
Outcome EnableAndStartService(IServiceManager& services, const std::string& service);
// The product's service stopped and disabled; false for a code without a service.
bool IsProductServiceStoppedAndDisabled(IServiceManager& services, std::uint32_t code);

// Start-up's step: Done when the run may go on.
Outcome StopServicesForRun(IServiceManager& services, const IRegistry& registry = SystemRegistry(),
                           const SleepFn& sleep = SleepMilliseconds);
// The end's step: Done when the service was re-enabled; a service that is not stopped and
// disabled is left as it is.
Outcome RestoreServices(IServiceManager& services);
