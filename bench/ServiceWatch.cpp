// Watches what an administrator would suffer while a tool runs: how long a service is not
// running, seen from outside, and the peak working set of the tool's process.
//   service_watch SERVICE IMAGE.exe TIMEOUT_SECONDS
// Polls the service every 5 ms from its first line ("ready") on. The downtime runs from the
// first poll that sees the service not running to the first that sees it running again. The
// process is the first one named IMAGE.exe that starts after "ready"; its peak working set is
// read (GetProcessMemoryInfo) at every poll while it runs. Ends when that process has ended
// and the service runs, or at the time limit, with
//   WATCH downtime_ms <ms> peak_mb <MB> process_seen <0|1> service_back <0|1>
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The ids of the processes of this image name running now.
std::set<DWORD> Processes(const char* image) {
    std::set<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, image) == 0)
            ids.insert(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: service_watch SERVICE IMAGE.exe TIMEOUT_SECONDS\n");
        return 2;
    }
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE service =
        manager ? OpenServiceA(manager, argv[1], SERVICE_QUERY_STATUS) : nullptr;
    if (service == nullptr) {
        std::printf("cannot open service %s (%lu)\n", argv[1], GetLastError());
        return 2;
    }
    const std::set<DWORD> before = Processes(argv[2]);
    const double limit = NowMs() + 1000.0 * std::atof(argv[3]);
    std::printf("ready\n");
    std::fflush(stdout);

    HANDLE process = nullptr;
    bool processEnded = false;
    double downAt = -1, upAt = -1, nextLook = 0;
    SIZE_T peak = 0;
    while (NowMs() < limit) {
        SERVICE_STATUS status{};
        const double now = NowMs();
        if (QueryServiceStatus(service, &status)) {
            const bool running = status.dwCurrentState == SERVICE_RUNNING;
            if (!running && downAt < 0)
                downAt = now;
            if (running && downAt >= 0 && upAt < 0)
                upAt = now;
        }
        if (process == nullptr && now >= nextLook) {
            nextLook = now + 20;
            for (DWORD id : Processes(argv[2]))
                if (before.count(id) == 0 &&
                    (process =
                         OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE,
                                     FALSE, id)) != nullptr)
                    break;
        }
        if (process != nullptr && !processEnded) {
            PROCESS_MEMORY_COUNTERS counters{};
            counters.cb = sizeof counters;
            if (GetProcessMemoryInfo(process, &counters, sizeof counters) &&
                counters.PeakWorkingSetSize > peak)
                peak = counters.PeakWorkingSetSize;
            processEnded = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        }
        if (processEnded && (downAt < 0 || upAt >= 0))
            break;
        Sleep(5);
    }
    std::printf("WATCH downtime_ms %.1f peak_mb %.1f process_seen %d service_back %d\n",
                downAt < 0 ? 0.0 : (upAt < 0 ? NowMs() : upAt) - downAt,
                static_cast<double>(peak) / (1024.0 * 1024.0), process != nullptr ? 1 : 0,
                downAt < 0 || upAt >= 0 ? 1 : 0);
    return 0;
}
