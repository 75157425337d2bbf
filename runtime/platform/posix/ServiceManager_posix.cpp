#include "ServiceManager.h"

namespace {

// A host without a service manager: no service can be opened.
class NoServiceManager : public IServiceManager {
public:
    ServiceProbe Interrogate(const std::string&) override {
        return {ServiceProbe::Reach::ManagerUnavailable, ServiceState::Unknown};
    }
    std::optional<ServiceState> State(const std::string&) override { return std::nullopt; }
    std::optional<ServiceStartType> StartType(const std::string&) override { return std::nullopt; }
    bool RequestStop(const std::string&) override { return false; }
    bool SetStartType(const std::string&, ServiceStartType) override { return false; }
    bool Start(const std::string&) override { return false; }
};

} // namespace

IServiceManager& SystemServiceManager() {
    static NoServiceManager manager;
    return manager;
}
