// What the benchmarks share: wall time in seconds, the number of lines a log file holds, and
// the figure lines a script reads. (A local SQL Server that always runs they take from the
// test support: FakeServiceManager::Running().)
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

inline std::size_t CountLines(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t n = 0;
    std::string line;
    while (std::getline(in, line))
        ++n;
    return n;
}

// "BENCH <name> <value> <unit>", the name prefixed by $VT_BENCH_TAG and a dot when set (the
// same benchmark runs natively and under Wine).
inline void Figure(const std::string& name, double value, const char* unit) {
    const char* tag = std::getenv("VT_BENCH_TAG");
    std::printf("BENCH %s%s%s %.6g %s\n", tag ? tag : "", tag ? "." : "", name.c_str(), value,
                unit);
}

} // namespace bench
