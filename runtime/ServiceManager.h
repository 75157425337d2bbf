// Stopping the server's storage service while a tool works and giving it back at the end.
//
// Start-up stops "HalvixStoreP" and sets it to disabled; the end of the run sets it to
// automatic start and starts it again. The service manager sits behind IServiceManager so
// that these decisions, and the 60 polls of a stop, run in tests with a fake manager and
// a fake clock.
#pragma once

#include "Registry.h"
#include "ServiceControl.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

enum class ServiceStartType : std::uint32_t {
    Auto = 2,     // SERVICE_AUTO_START
    Demand = 3,   // SERVICE_DEMAND_START
    Disabled = 4, // SERVICE_DISABLED
};

class IServiceManager {
public:
    virtual ~IServiceManager() = default;
    // Each call opens the local service manager and the service and closes both again.
    // Nothing when the manager or the service cannot be opened or the query fails.
    virtual std::optional<ServiceState> State(const std::string& service) = 0;
    virtual std::optional<ServiceStartType> StartType(const std::string& service) = 0;
    virtual bool RequestStop(const std::string& service) = 0;
    virtual bool SetStartType(const std::string& service, ServiceStartType type) = 0;
    virtual bool Start(const std::string& service) = 0;
};

IServiceManager& SystemServiceManager();

using SleepFn = std::function<void(int milliseconds)>;
void SleepMilliseconds(int milliseconds);

constexpr int kStopPolls = 60;
constexpr int kStopPollIntervalMs = 1000;

bool IsServiceStoppedAndDisabled(IServiceManager& services, const std::string& service);
// 1 when the service was seen stopped and set to disabled within the polls.
int StopAndDisableService(IServiceManager& services, const std::string& service,
                          const SleepFn& sleep = SleepMilliseconds);
// 1 when the start type was set to automatic; the start request itself is not checked.
int EnableAndStartService(IServiceManager& services, const std::string& service);
// The product's service stopped and disabled; 0 for a code without a service.
int IsProductServiceStoppedAndDisabled(IServiceManager& services, std::uint32_t code);

// Start-up's step: 1 when the run may go on.
int StopServicesForRun(IServiceManager& services, const IRegistry& registry = SystemRegistry(),
                       const SleepFn& sleep = SleepMilliseconds);
// The end's step: 1 when the service was re-enabled; a service that is not stopped and
// disabled is left as it is.
int RestoreServices(IServiceManager& services);
