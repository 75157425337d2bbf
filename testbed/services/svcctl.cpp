// Creates, configures, queries and removes services in a test prefix, where Wine's own sc
// lacks "qc" and "config".
//   svcctl create NAME "BINARY PATH AND ARGUMENTS" [auto|demand|disabled]
//   svcctl delete NAME
//   svcctl start NAME [--wait]      (--wait: until running)
//   svcctl stop NAME [--wait]       (--wait: until stopped)
//   svcctl config NAME auto|demand|disabled
//   svcctl query NAME               prints "STATE START_TYPE", e.g. "RUNNING AUTO"
//   svcctl record                   prints the tools' hand-over record of the storage
//                                   service, or NONE
//   svcctl hold-mutex NAME          holds a mutex of that name (default security) until killed
// Exit code 0 on success, otherwise the Windows error code (truncated to 255 by Wine).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

DWORD StartType(const char* word) {
    if (std::strcmp(word, "auto") == 0)
        return SERVICE_AUTO_START;
    if (std::strcmp(word, "disabled") == 0)
        return SERVICE_DISABLED;
    return SERVICE_DEMAND_START;
}

const char* StateName(DWORD state) {
    switch (state) {
    case SERVICE_STOPPED:
        return "STOPPED";
    case SERVICE_START_PENDING:
        return "START_PENDING";
    case SERVICE_STOP_PENDING:
        return "STOP_PENDING";
    case SERVICE_RUNNING:
        return "RUNNING";
    default:
        return "OTHER";
    }
}

const char* StartTypeName(DWORD type) {
    switch (type) {
    case SERVICE_AUTO_START:
        return "AUTO";
    case SERVICE_DEMAND_START:
        return "DEMAND";
    case SERVICE_DISABLED:
        return "DISABLED";
    default:
        return "OTHER";
    }
}

bool WaitFor(SC_HANDLE service, DWORD wanted) {
    for (int i = 0; i < 300; ++i) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == wanted)
            return true;
        Sleep(100);
    }
    return false;
}

int Fail() {
    const DWORD error = GetLastError();
    std::fprintf(stderr, "svcctl: error %lu\n", static_cast<unsigned long>(error));
    return error == 0 ? 1 : static_cast<int>(error);
}

} // namespace

// The tools' record of the storage service's hand-over, as they keep it in their own key:
// its text, or NONE.
int ShowRecord() {
    char text[1024] = {};
    DWORD size = sizeof text - 1;
    const bool found =
        RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VelmoraTools", "StorageServiceHandOver",
                     RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS;
    std::printf("%s\n", found ? text : "NONE");
    return 0;
}

// Holds a mutex of that name, made with the default security as any user could, until the
// process is ended.
int HoldMutex(const char* name) {
    if (CreateMutexA(nullptr, FALSE, name) == nullptr)
        return Fail();
    std::printf("HELD\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "record") == 0)
        return ShowRecord();
    if (argc == 3 && std::strcmp(argv[1], "hold-mutex") == 0)
        return HoldMutex(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: svcctl create|delete|start|stop|config|query NAME ...\n");
        return 2;
    }
    const std::string verb = argv[1];
    const char* name = argv[2];
    const bool wait = argc > 3 && std::strcmp(argv[argc - 1], "--wait") == 0;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return Fail();
    int result = 0;
    if (verb == "create" && argc > 3) {
        SC_HANDLE service =
            CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           StartType(argc > 4 ? argv[4] : "demand"), SERVICE_ERROR_NORMAL, argv[3],
                           nullptr, nullptr, nullptr, nullptr, nullptr);
        result = service == nullptr ? Fail() : 0;
        if (service != nullptr)
            CloseServiceHandle(service);
    } else {
        SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
        if (service == nullptr) {
            result = Fail();
        } else if (verb == "delete") {
            result = DeleteService(service) ? 0 : Fail();
        } else if (verb == "start") {
            result = StartServiceA(service, 0, nullptr) ? 0 : Fail();
            if (result == 0 && wait && !WaitFor(service, SERVICE_RUNNING))
                result = 1;
        } else if (verb == "stop") {
            SERVICE_STATUS status{};
            result = ControlService(service, SERVICE_CONTROL_STOP, &status) ? 0 : Fail();
            if (result == 0 && wait && !WaitFor(service, SERVICE_STOPPED))
                result = 1;
        } else if (verb == "config" && argc > 3) {
            result = ChangeServiceConfigA(service, SERVICE_NO_CHANGE, StartType(argv[3]),
                                          SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr)
                         ? 0
                         : Fail();
        } else if (verb == "query") {
            SERVICE_STATUS status{};
            BYTE buffer[8192];
            DWORD needed = 0;
            auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
            if (QueryServiceStatus(service, &status) &&
                QueryServiceConfigA(service, config, sizeof buffer, &needed))
                std::printf("%s %s\n", StateName(status.dwCurrentState),
                            StartTypeName(config->dwStartType));
            else
                result = Fail();
        } else {
            std::fprintf(stderr, "svcctl: unknown command %s\n", verb.c_str());
            result = 2;
        }
        if (service != nullptr)
            CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}
