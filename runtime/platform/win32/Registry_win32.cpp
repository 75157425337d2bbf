#include "Registry.h"

#include "Win32Handles.h"

#include <windows.h>

#include <vector>

namespace {

// An open key, for the length of one read.
CRegistryKey OpenKey(const std::string& path, REGSAM access) {
    CRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key.Out()) != ERROR_SUCCESS)
        key.Release(); // an unsuccessful open leaves nothing to close
    return key;
}

class Win32Registry : public IRegistry {
public:
    bool KeyExists(const std::string& key) const override { return OpenKey(key, KEY_READ).Valid(); }

    std::optional<std::uint32_t> QueryDword(const std::string& key,
                                            const std::string& value) const override {
        const CRegistryKey k = OpenKey(key, KEY_QUERY_VALUE);
        if (!k.Valid())
            return std::nullopt;
        DWORD data = 0;
        DWORD size = sizeof data;
        if (RegQueryValueExA(k.Get(), value.c_str(), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
            return std::nullopt;
        return data;
    }

    std::optional<std::string> QueryString(const std::string& key,
                                           const std::string& value) const override {
        const CRegistryKey k = OpenKey(key, KEY_READ);
        if (!k.Valid())
            return std::nullopt;
        DWORD size = 0;
        if (RegQueryValueExA(k.Get(), value.c_str(), nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(k.Get(), value.c_str(), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::string(data.data());
    }
};

} // namespace

const IRegistry& SystemRegistry() {
    static const Win32Registry registry;
    return registry;
}
