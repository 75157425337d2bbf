#include "ServiceManager.h"

#include "InstallSettings.h"

#include <chrono>
#include <thread>

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool IsServiceStoppedAndDisabled(IServiceManager& services, const std::string& service) {
    return services.State(service) == ServiceState::Stopped &&
           services.StartType(service) == ServiceStartType::Disabled;
}

Outcome StopAndDisableService(IServiceManager& services, const std::string& service,
                              const SleepFn& sleep) {
    const std::optional<ServiceState> state = services.State(service);
    if (!state)
        return Outcome::Failed;
    if (*state != ServiceState::Stopped)
        services.RequestStop(service); // its answer is seen in the polls below
    for (int poll = 0; poll < kStopPolls; ++poll) {
        const std::optional<ServiceState> now = services.State(service);
        if (!now)
            return Outcome::Failed;
        if (*now == ServiceState::Stopped &&
            services.SetStartType(service, ServiceStartType::Disabled))
            return Outcome::Done;
        sleep(kStopPollIntervalMs);
    }
    return Outcome::Failed;
}

Outcome EnableAndStartService(IServiceManager& services, const std::string& service) {
    if (!services.SetStartType(service, ServiceStartType::Auto))
        return Outcome::Failed;
    services.Start(service);
    return Outcome::Done;
}

bool IsProductServiceStoppedAndDisabled(IServiceManager& services, std::uint32_t code) {
    const char* service = ServiceNameOfProduct(code);
    return service != nullptr && IsServiceStoppedAndDisabled(services, service);
}

Outcome StopServicesForRun(IServiceManager& services, const IRegistry& registry,
                           const SleepFn& sleep) {
    if (ReadServerType(registry) == 0)
        return Outcome::Failed;
    if (IsProductServiceStoppedAndDisabled(services, kServerTypeStorage))
        return Outcome::Done;
    return StopAndDisableService(services, ServiceNameOfProduct(kServerTypeStorage), sleep);
}

Outcome RestoreServices(IServiceManager& services) {
    if (!IsProductServiceStoppedAndDisabled(services, kServerTypeStorage))
        return Outcome::Failed;
    return EnableAndStartService(services, ServiceNameOfProduct(kServerTypeStorage));
}
