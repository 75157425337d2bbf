// An in-memory HKEY_LOCAL_MACHINE for tests.
#pragma once

#include "Registry.h"

#include <map>
#include <set>

class FakeRegistry : public IRegistry {
public:
    std::set<std::string> keys;
    std::map<std::pair<std::string, std::string>, std::uint32_t> dwords;
    std::map<std::pair<std::string, std::string>, std::string> strings;
    std::set<std::pair<std::string, std::string>> oversized; // values longer than 4 bytes

    bool KeyExists(const std::string& key) const override { return keys.count(key) != 0; }
    std::optional<std::uint32_t> QueryDword(const std::string& key,
                                            const std::string& value) const override {
        auto it = dwords.find({key, value});
        if (!KeyExists(key) || oversized.count({key, value}) || it == dwords.end())
            return std::nullopt;
        return it->second;
    }
    std::optional<std::string> QueryString(const std::string& key,
                                           const std::string& value) const override {
        auto it = strings.find({key, value});
        if (!KeyExists(key) || it == strings.end())
            return std::nullopt;
        return it->second;
    }

    // A storage-server installation in C:\Velmora, generation 5 unless asked otherwise.
    static FakeRegistry Installation(bool generation5 = true, std::uint32_t serverType = 0x200) {
        FakeRegistry r;
        r.keys = {"SOFTWARE\\Brannock\\Corvane2", "SOFTWARE\\Brannock\\Pellacore"};
        r.dwords[{"SOFTWARE\\Brannock\\Corvane2", "ServerType"}] = serverType;
        r.strings[{"SOFTWARE\\Brannock\\Pellacore", "InstallDir"}] = "C:\\Velmora";
        if (generation5)
            r.keys.insert("Software\\Brannock\\Pellacore\\Zeph5\\Tarn-D1");
        return r;
    }
};
