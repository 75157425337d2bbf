#include "Registry.h"

#include <windows.h>

#include <vector>

namespace {

// Owns an open key for the length of one read.
class Key {
public:
    Key(const std::string& path, REGSAM access) {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class Win32Registry : public IRegistry {
public:
    bool KeyExists(const std::string& key) const override {
        return Key(key, KEY_READ).get() != nullptr;
    }

    std::optional<std::uint32_t> QueryDword(const std::string& key,
                                            const std::string& value) const override {
        Key k(key, KEY_QUERY_VALUE);
        if (k.get() == nullptr)
            return std::nullopt;
        DWORD data = 0;
        DWORD size = sizeof data;
        if (RegQueryValueExA(k.get(), value.c_str(), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
            return std::nullopt;
        return data;
    }

    std::optional<std::string> QueryString(const std::string& key,
                                           const std::string& value) const override {
        Key k(key, KEY_READ);
        if (k.get() == nullptr)
            return std::nullopt;
        DWORD size = 0;
        if (RegQueryValueExA(k.get(), value.c_str(), nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(k.get(), value.c_str(), nullptr, nullptr,
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
