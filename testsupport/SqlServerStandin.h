// For tests against the SQL Server stand-in that a ctest fixture started: its address and
// a local "MSSQLSERVER" service that runs (the real one under Wine, a fake natively).
#pragma once

#include "ServiceManager.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "FakeServiceManager.h"

namespace standin {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "127.0.0.1,<port>" with the port the fixture wrote to the file VT_SQLSERVER_PORTFILE.
inline std::string Host() {
    const char* portFile = std::getenv("VT_SQLSERVER_PORTFILE");
    std::string port = portFile ? ReadFile(portFile) : "";
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r'))
        port.pop_back();
    return "127.0.0.1," + port;
}

// The stand-in's data folder (where the port file is), with its separator at the end: tests
// put faults.json there.
inline std::string DataFolder() {
    const char* portFile = std::getenv("VT_SQLSERVER_PORTFILE");
    const std::string path = portFile ? portFile : "";
    return path.substr(0, path.find_last_of("/\\") + 1);
}

inline IServiceManager& Services() {
#if defined(_WIN32)
    return SystemServiceManager();
#else
    return FakeServiceManager::Running();
#endif
}

} // namespace standin
