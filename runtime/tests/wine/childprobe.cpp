// A child process for the capture tests under Wine: it writes what it is told to, when it is
// told to.
//   childprobe --bytes N            N bytes of a repeating pattern on standard output
//   childprobe --sleep-ms M ...     waits M ms first
//   childprobe --stderr TEXT        TEXT on standard error
//   childprobe --forever            "partial", then never ends
//   childprobe --timing FILE        writes its creation time and the end of its work
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    FILETIME created, ignored1, ignored2, ignored3;
    GetProcessTimes(GetCurrentProcess(), &created, &ignored1, &ignored2, &ignored3);
    const char* timingFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timing" && i + 1 < argc) {
            timingFile = argv[++i];
        } else if (arg == "--sleep-ms" && i + 1 < argc) {
            Sleep(static_cast<DWORD>(std::atoi(argv[++i])));
        } else if (arg == "--bytes" && i + 1 < argc) {
            const long n = std::atol(argv[++i]);
            std::string text;
            for (long k = 0; k < n; ++k)
                text.push_back(static_cast<char>('a' + k % 26));
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else if (arg == "--stderr" && i + 1 < argc) {
            std::fputs(argv[++i], stderr);
            std::fflush(stderr);
        } else if (arg == "--forever") {
            std::fputs("partial", stdout);
            std::fflush(stdout);
            Sleep(INFINITE);
        }
    }
    if (timingFile != nullptr) {
        std::fflush(stdout);
        FILETIME end;
        GetSystemTimePreciseAsFileTime(&end);
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        if (FILE* f = std::fopen(timingFile, "w")) {
            std::fprintf(f, "%llu %llu\n", ticks(created), ticks(end));
            std::fclose(f);
        }
    }
    return 0;
}
