#include "ServiceManager.h"

#include <chrono>
#include <thread>

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<ServiceCondition> QueryServiceCondition(IServiceManager& services,
                                                      const std::string& service) {
    const std::optional<ServiceState> state = services.State(service);
    const std::optional<ServiceStartType> startType = services.StartType(service);
    if (!state || !startType)
        return std::nullopt;
    return ServiceCondition{*startType, *state != ServiceState::Stopped};
}

bool IsServiceStoppedAndDisabled(IServiceManager& services, const std::string& service) {
    return services.State(service) == ServiceState::Stopped &&
           services.StartType(service) == ServiceStartType::Disabled;
}

Outcome StopAndDisableService(IServiceManager& services, const std::string& service,
                              const ServiceWait& wait) {
    const std::optional<ServiceState> state = services.State(service);
    if (!state)
        return Outcome::Failed;
    if (*state != ServiceState::Stopped)
        services.RequestStop(service); // its answer is seen in the polls below
    // A poll that cannot ask the service is one poll lost, not the end: the service
    // manager may be busy with the very stop it was asked for.
    for (int poll = 0; poll < wait.Polls(); ++poll) {
        const std::optional<ServiceState> now = services.State(service);
        if (now == ServiceState::Stopped &&
            services.SetStartType(service, ServiceStartType::Disabled))
            return Outcome::Done;
        wait.sleep(kStopPollIntervalMs);
    }
    return Outcome::Failed;
}

PutBack PutServiceBack(IServiceManager& services, const std::string& service,
                       const ServiceCondition& found, const ServiceWait& wait) {
    if (services.StartType(service) != found.startType &&
        !services.SetStartType(service, found.startType))
        return PutBack::StartTypeNotSet;
    if (!found.running)
        return PutBack::Done;
    for (int poll = 0;; ++poll) {
        const std::optional<ServiceState> state = services.State(service);
        if (state == ServiceState::Stopped)
            return services.Start(service) ? PutBack::Done : PutBack::NotStarted;
        if (state && *state != ServiceState::StopPending)
            return PutBack::Done; // running, or on its way there
        if (poll >= wait.Polls())
            return state ? PutBack::StillStopping : PutBack::NotStarted;
        wait.sleep(kStopPollIntervalMs);
    }
}
