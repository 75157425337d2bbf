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

int StopAndDisableService(IServiceManager& services, const std::string& service,
                          const SleepFn& sleep) {
    const std::optional<ServiceState> state = services.State(service);
    if (!state)
        return 0;
    if (*state != ServiceState::Stopped)
        services.RequestStop(service); // its answer is seen in the polls below
    for (int poll = 0; poll < kStopPolls; ++poll) {
        const std::optional<ServiceState> now = services.State(service);
        if (!now)
            return 0;
        if (*now == ServiceState::Stopped &&
            services.SetStartType(service, ServiceStartType::Disabled))
            return 1;
        sleep(kStopPollIntervalMs);
    }
    return 0;
}

int EnableAndStartService(IServiceManager& services, const std::string& service) {
    if (!services.SetStartType(service, ServiceStartType::Auto))
        return 0;
    services.Start(service);
    return 1;
}

int IsProductServiceStoppedAndDisabled(IServiceManager& services, std::uint32_t code) {
    const char* service = ServiceNameOfProduct(code);
    return service != nullptr && IsServiceStoppedAndDisabled(services, service) ? 1 : 0;
}

int StopServicesForRun(IServiceManager& services, const IRegistry& registry, const SleepFn& sleep) {
    if (ReadServerType(registry) == 0)
        return 0;
    if (IsProductServiceStoppedAndDisabled(services, kServerTypeStorage))
        return 1;
    return StopAndDisableService(services, ServiceNameOfProduct(kServerTypeStorage), sleep);
}

int RestoreServices(IServiceManager& services) {
    if (!IsProductServiceStoppedAndDisabled(services, kServerTypeStorage))
        return 0;
    return EnableAndStartService(services, ServiceNameOfProduct(kServerTypeStorage));
}
