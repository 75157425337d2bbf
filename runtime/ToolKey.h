// The tools' own registry key, HKEY_LOCAL_MACHINE\SOFTWARE\VelmoraTools: what the tools keep
// between runs and what an administrator sets for them. Only administrators may write
// there (the tools create the key with an explicit Administrators-and-SYSTEM descriptor),
// so what is read back was written by the tools or by an administrator. Behind an
// interface so that what the tools decide from it runs in tests without a registry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Below HKEY_LOCAL_MACHINE.
inline constexpr char kToolKeyPath[] = "SOFTWARE\\VelmoraTools";

class IToolKey {
public:
    virtual ~IToolKey() = default;
    // A text value (ANSI); nothing when the key or the value is missing.
    virtual std::optional<std::string> ReadText(const std::string& value) const = 0;
    // A 4-byte value; nothing when missing or of another type.
    virtual std::optional<std::uint32_t> ReadNumber(const std::string& value) const = 0;
    // Writes a text value and has it on disk before it returns; false when it could not.
    virtual bool WriteText(const std::string& value, const std::string& text) = 0;
    // True when the value is gone (also when it was never there).
    virtual bool Remove(const std::string& value) = 0;

    // The same for a text value of a subkey of the tools' key, which is created as the key
    // itself is, for Administrators and SYSTEM only.
    virtual std::optional<std::string> ReadSubkeyText(const std::string& subkey,
                                                      const std::string& value) const = 0;
    virtual bool WriteSubkeyText(const std::string& subkey, const std::string& value,
                                 const std::string& text) = 0;
};

// The machine's key (the programs only).
IToolKey& SystemToolKey();
