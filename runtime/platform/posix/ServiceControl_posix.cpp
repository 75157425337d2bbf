#include "ServiceControl.h"
#include "ServiceManager.h"

namespace {

class NoServiceManager : public IServiceControl {
public:
    ServiceProbe Interrogate(const std::string&) override {
        return {ServiceProbe::Outcome::ManagerUnavailable, ServiceState::Unknown};
    }
};

// A host without a service manager: no service can be opened.
class NoServices : public IServiceManager {
public:
    std::optional<ServiceState> State(const std::string&) override { return std::nullopt; }
    std::optional<ServiceStartType> StartType(const std::string&) override { return std::nullopt; }
    bool RequestStop(const std::string&) override { return false; }
    bool SetStartType(const std::string&, ServiceStartType) override { return false; }
    bool Start(const std::string&) override { return false; }
};

} // namespace

IServiceManager& SystemServiceManager() {
    static NoServices manager;
    return manager;
}

IServiceControl& SystemServices() {
    static NoServiceManager services;
    return services;
}
