// What the benchmarks share: wall time in seconds, a local SQL Server service that always
// runs, and the number of lines a log file holds.
#pragma once

#include "ServiceControl.h"

#include <chrono>
#include <cstddef>
#include <fstream>
#include <string>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class AlwaysRunning : public IServiceControl {
public:
    ServiceProbe Interrogate(const std::string&) override {
        return {ServiceProbe::Outcome::Answered, ServiceState::Running};
    }
};

inline std::size_t CountLines(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t n = 0;
    std::string line;
    while (std::getline(in, line))
        ++n;
    return n;
}

} // namespace bench
