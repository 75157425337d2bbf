// Helpers of the Windows tests that run under Wine on the demo installation (built into the
// test prefix by scripts/test): paths, and registry and file changes undone at scope end.
#pragma once

#include "Text.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace wine_test {

// The folder of the running test program (the build's folder of Windows tests).
inline std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::optional<std::string> ReadRegistryText(const char* key, const char* value) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::string(data);
}

inline void WriteRegistryValue(const char* key, const char* value, DWORD type, const void* data,
                               DWORD size) {
    HKEY h = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    RegSetValueExA(h, value, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(h);
}

// Replaces a registry value for the length of a scope and puts the old one back.
class ScopedRegistryValue {
public:
    ScopedRegistryValue(const char* key, const char* value, DWORD type, const void* data,
                        DWORD size)
        : key_(key), value_(value) {
        DWORD oldSize = sizeof old_;
        hadOld_ = RegGetValueA(HKEY_LOCAL_MACHINE, key, value, RRF_RT_ANY, &oldType_, old_,
                               &oldSize) == ERROR_SUCCESS;
        oldSize_ = oldSize;
        WriteRegistryValue(key, value, type, data, size);
    }
    ~ScopedRegistryValue() {
        if (hadOld_)
            WriteRegistryValue(key_.c_str(), value_.c_str(), oldType_, old_, oldSize_);
    }

private:
    std::string key_, value_;
    bool hadOld_ = false;
    DWORD oldType_ = 0, oldSize_ = 0;
    BYTE old_[1024] = {};
};

// Removes a key with one text value (DataDir) for the length of a scope.
class ScopedMissingKey {
public:
    explicit ScopedMissingKey(const char* key) : key_(key) {
        value_ = ReadRegistryText(key, "DataDir");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }
    ~ScopedMissingKey() {
        if (value_)
            WriteRegistryValue(key_.c_str(), "DataDir", REG_SZ, value_->c_str(),
                               static_cast<DWORD>(value_->size() + 1));
    }

private:
    std::string key_;
    std::optional<std::string> value_;
};

// Moves a file aside for the length of a scope.
class ScopedMovedFile {
public:
    explicit ScopedMovedFile(std::string path) : path_(std::move(path)) {
        MoveFileExA(path_.c_str(), (path_ + ".aside").c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~ScopedMovedFile() {
        MoveFileExA((path_ + ".aside").c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

private:
    std::string path_;
};

constexpr char kGeneration5Key[] = "SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Tarn-D1";
constexpr char kServerTypeKey[] = "SOFTWARE\\Brannock\\Corvane2";
constexpr char kInstallKey[] = "SOFTWARE\\Brannock\\Pellacore";

inline std::string InstallDir() {
    return ReadRegistryText(kInstallKey, "InstallDir").value_or("");
}

} // namespace wine_test
