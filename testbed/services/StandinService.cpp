// A Windows service that stands in for the server's services ("HalvixStoreP",
// "MSSQLSERVER") in the test prefix and the demo installation. It does nothing but run
// and answer the service manager, in the ways a test asks for:
//   StandinService.exe [--stop-delay-ms N] [--refuse-stop] [--refuse-stop-while FILE]
// --stop-delay-ms keeps it in "stop pending" for N ms before it stops; --refuse-stop makes
// it ignore stop requests altogether, --refuse-stop-while as long as FILE exists (so that a
// test can stop it in the end).
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stopped = nullptr;
DWORD g_stopDelayMs = 0;
bool g_refuseStop = false;
const char* g_refuseWhile = nullptr;

bool RefusesStop() {
    return g_refuseStop || (g_refuseWhile != nullptr &&
                            GetFileAttributesA(g_refuseWhile) != INVALID_FILE_ATTRIBUTES);
}

void Report(DWORD state) {
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted =
        state == SERVICE_RUNNING && !g_refuseStop ? SERVICE_ACCEPT_STOP : 0;
    g_status.dwWaitHint = state == SERVICE_STOP_PENDING ? g_stopDelayMs + 1000 : 0;
    SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI StopLater(LPVOID) {
    Sleep(g_stopDelayMs);
    SetEvent(g_stopped);
    return 0;
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        if (RefusesStop())
            return ERROR_CALL_NOT_IMPLEMENTED;
        Report(SERVICE_STOP_PENDING);
        CloseHandle(CreateThread(nullptr, 0, StopLater, nullptr, 0, nullptr));
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        SetServiceStatus(g_statusHandle, &g_status);
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    g_statusHandle = RegisterServiceCtrlHandlerExA(argc > 0 ? argv[0] : "", Handler, nullptr);
    g_stopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopped, INFINITE);
    Report(SERVICE_STOPPED);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stop-delay-ms") == 0 && i + 1 < argc)
            g_stopDelayMs = static_cast<DWORD>(std::atol(argv[++i]));
        else if (std::strcmp(argv[i], "--refuse-stop") == 0)
            g_refuseStop = true;
        else if (std::strcmp(argv[i], "--refuse-stop-while") == 0 && i + 1 < argc)
            g_refuseWhile = argv[++i];
    }
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
