#include "ServiceManager.h"
#include "Win32Handles.h"

#include <windows.h>

#include <vector>

namespace {

// Interrogate opens the manager with all access, as the session always has; the other
// operations open it on "ServicesActive" with GENERIC_READ. The service is opened with only
// the access an operation needs.
class Win32ServiceManager : public IServiceManager {
public:
    ServiceProbe Interrogate(const std::string& service) override {
        CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!manager.Valid())
            return {ServiceProbe::Reach::ManagerUnavailable, ServiceState::Unknown};
        CServiceHandle handle(OpenServiceA(manager.Get(), service.c_str(), SERVICE_INTERROGATE));
        if (!handle.Valid())
            return {ServiceProbe::Reach::ServiceUnavailable, ServiceState::Unknown};
        SERVICE_STATUS status{};
        if (!ControlService(handle.Get(), SERVICE_CONTROL_INTERROGATE, &status))
            return {ServiceProbe::Reach::Answered, ServiceState::Stopped};
        return {ServiceProbe::Reach::Answered, static_cast<ServiceState>(status.dwCurrentState)};
    }

    std::optional<ServiceState> State(const std::string& service) override {
        std::optional<ServiceState> state;
        WithService(service, SERVICE_QUERY_STATUS, [&](SC_HANDLE h) {
            SERVICE_STATUS status{};
            if (QueryServiceStatus(h, &status))
                state = static_cast<ServiceState>(status.dwCurrentState);
        });
        return state;
    }

    std::optional<ServiceStartType> StartType(const std::string& service) override {
        std::optional<ServiceStartType> type;
        WithService(service, SERVICE_QUERY_CONFIG, [&](SC_HANDLE h) {
            DWORD needed = 0;
            QueryServiceConfigA(h, nullptr, 0, &needed);
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                return;
            std::vector<BYTE> buffer(needed);
            auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
            if (QueryServiceConfigA(h, config, needed, &needed))
                type = static_cast<ServiceStartType>(config->dwStartType);
        });
        return type;
    }

    bool RequestStop(const std::string& service) override {
        bool sent = false;
        WithService(service, SERVICE_STOP, [&](SC_HANDLE h) {
            SERVICE_STATUS status{};
            sent = ControlService(h, SERVICE_CONTROL_STOP, &status) != 0;
        });
        return sent;
    }

    bool SetStartType(const std::string& service, ServiceStartType type) override {
        bool changed = false;
        WithService(service, SERVICE_CHANGE_CONFIG, [&](SC_HANDLE h) {
            changed = ChangeServiceConfigA(h, SERVICE_NO_CHANGE, static_cast<DWORD>(type),
                                           SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr) != 0;
        });
        return changed;
    }

    bool Start(const std::string& service) override {
        bool started = false;
        WithService(service, SERVICE_START,
                    [&](SC_HANDLE h) { started = StartServiceA(h, 0, nullptr) != 0; });
        return started;
    }

private:
    template <typename Use>
    static void WithService(const std::string& service, DWORD access, Use use) {
        CServiceHandle manager(OpenSCManagerA(nullptr, SERVICES_ACTIVE_DATABASEA, GENERIC_READ));
        if (!manager.Valid())
            return;
        CServiceHandle handle(OpenServiceA(manager.Get(), service.c_str(), access));
        if (handle.Valid())
            use(handle.Get());
    }
};

} // namespace

IServiceManager& SystemServiceManager() {
    static Win32ServiceManager manager;
    return manager;
}
