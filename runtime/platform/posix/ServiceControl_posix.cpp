#include "ServiceControl.h"

namespace {

class NoServiceManager : public IServiceControl {
public:
    ServiceProbe Interrogate(const std::string&) override {
        return {ServiceProbe::Outcome::ManagerUnavailable, ServiceState::Unknown};
    }
};

} // namespace

IServiceControl& SystemServices() {
    static NoServiceManager services;
    return services;
}
