#include "ServiceControl.h"

#include <windows.h>

namespace {

// Owns a service control manager or service handle.
class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h) : h_(h) {}
    ~ScHandle() {
        if (h_ != nullptr)
            CloseServiceHandle(h_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return h_; }

private:
    SC_HANDLE h_;
};

class Win32ServiceControl : public IServiceControl {
public:
    ServiceProbe Interrogate(const std::string& service) override {
        ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (manager.get() == nullptr)
            return {ServiceProbe::Outcome::ManagerUnavailable, ServiceState::Unknown};
        ScHandle handle(OpenServiceA(manager.get(), service.c_str(), SERVICE_INTERROGATE));
        if (handle.get() == nullptr)
            return {ServiceProbe::Outcome::ServiceUnavailable, ServiceState::Unknown};
        SERVICE_STATUS status{};
        if (!ControlService(handle.get(), SERVICE_CONTROL_INTERROGATE, &status))
            return {ServiceProbe::Outcome::Answered, ServiceState::Stopped};
        return {ServiceProbe::Outcome::Answered, static_cast<ServiceState>(status.dwCurrentState)};
    }
};

} // namespace

IServiceControl& SystemServices() {
    static Win32ServiceControl services;
    return services;
}
