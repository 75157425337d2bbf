// Read-only access to HKEY_LOCAL_MACHINE, the one place the tools learn about the
// installation. Behind an interface so that the settings logic runs in tests without a
// Windows registry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Whether the key (a path below HKEY_LOCAL_MACHINE) can be opened for reading.
    virtual bool KeyExists(const std::string& key) const = 0;
    // A 4-byte value; nothing when the key or value is missing or the value is longer.
    virtual std::optional<std::uint32_t> QueryDword(const std::string& key,
                                                    const std::string& value) const = 0;
    // A text value in the ANSI code page; nothing when the key or value is missing.
    virtual std::optional<std::string> QueryString(const std::string& key,
                                                   const std::string& value) const = 0;
};

// The machine's registry (on a host without one, an empty registry).
const IRegistry& SystemRegistry();
