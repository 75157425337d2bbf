#include "ToolKey.h"

#include "Win32Handles.h"

#include <sddl.h>

#include <cstring>
#include <vector>

namespace {

class Win32ToolKey : public IToolKey {
public:
    std::optional<std::string> ReadText(const std::string& value) const override {
        return ReadTextOf(kToolKeyPath, value);
    }

    std::optional<std::uint32_t> ReadNumber(const std::string& value) const override {
        std::vector<char> data;
        if (!Query(kToolKeyPath, value, REG_DWORD, data) || data.size() != sizeof(DWORD))
            return std::nullopt;
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return number;
    }

    bool WriteText(const std::string& value, const std::string& text) override {
        return WriteTextOf(kToolKeyPath, value, text);
    }

    bool Remove(const std::string& value) override {
        CRegistryKey key;
        const LONG opened =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolKeyPath, 0, KEY_SET_VALUE, key.Out());
        if (opened != ERROR_SUCCESS) {
            key.Release(); // nothing to close
            return opened == ERROR_FILE_NOT_FOUND;
        }
        const LONG deleted = RegDeleteValueA(key.Get(), value.c_str());
        return (deleted == ERROR_SUCCESS && RegFlushKey(key.Get()) == ERROR_SUCCESS) ||
               deleted == ERROR_FILE_NOT_FOUND;
    }

    std::optional<std::string> ReadSubkeyText(const std::string& subkey,
                                              const std::string& value) const override {
        return ReadTextOf(std::string(kToolKeyPath) + "\\" + subkey, value);
    }

    bool WriteSubkeyText(const std::string& subkey, const std::string& value,
                         const std::string& text) override {
        // The key first, so that a subkey never exists without its key's descriptor.
        CRegistryKey key;
        return Create(kToolKeyPath, key) &&
               WriteTextOf(std::string(kToolKeyPath) + "\\" + subkey, value, text);
    }

private:
    static std::optional<std::string> ReadTextOf(const std::string& path,
                                                 const std::string& value) {
        std::vector<char> data;
        if (!Query(path, value, REG_SZ, data))
            return std::nullopt;
        data.push_back('\0'); // a stored text need not end with one
        return std::string(data.data());
    }

    static bool WriteTextOf(const std::string& path, const std::string& value,
                            const std::string& text) {
        CRegistryKey key;
        if (!Create(path, key))
            return false;
        return RegSetValueExA(key.Get(), value.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS &&
               RegFlushKey(key.Get()) == ERROR_SUCCESS;
    }

    // A value of one type, whole.
    static bool Query(const std::string& path, const std::string& value, DWORD wantedType,
                      std::vector<char>& data) {
        CRegistryKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.Out()) !=
            ERROR_SUCCESS) {
            key.Release();
            return false;
        }
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key.Get(), value.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            type != wantedType)
            return false;
        data.resize(size);
        if (RegQueryValueExA(key.Get(), value.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
            type != wantedType)
            return false;
        data.resize(size);
        return true;
    }

    // Opens a key for writing, creating it when it is not there with a descriptor that lets
    // only Administrators and SYSTEM in.
    static bool Create(const std::string& path, CRegistryKey& key) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
                "D:P(A;OICI;GA;;;BA)(A;OICI;GA;;;SY)", SDDL_REVISION_1, &descriptor, nullptr))
            return false;
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        const LONG created =
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE | KEY_QUERY_VALUE, &attributes, key.Out(), nullptr);
        LocalFree(descriptor);
        if (created != ERROR_SUCCESS)
            key.Release();
        return created == ERROR_SUCCESS;
    }
};

} // namespace

IToolKey& SystemToolKey() {
    static Win32ToolKey key;
    return key;
}
