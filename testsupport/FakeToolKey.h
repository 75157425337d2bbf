// The tools' own registry key in memory; refuseWrites makes every write fail.
#pragma once

#include "ToolKey.h"

#include <map>
#include <utility>

class FakeToolKey : public IToolKey {
public:
    std::map<std::string, std::string> texts;
    std::map<std::string, std::uint32_t> numbers;
    std::map<std::pair<std::string, std::string>, std::string> subkeyTexts; // subkey, value
    bool refuseWrites = false;

    std::optional<std::string> ReadText(const std::string& value) const override {
        const auto it = texts.find(value);
        return it == texts.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::uint32_t> ReadNumber(const std::string& value) const override {
        const auto it = numbers.find(value);
        return it == numbers.end() ? std::nullopt : std::optional(it->second);
    }
    bool WriteText(const std::string& value, const std::string& text) override {
        if (!refuseWrites)
            texts[value] = text;
        return !refuseWrites;
    }
    bool Remove(const std::string& value) override {
        texts.erase(value);
        return true;
    }
    std::optional<std::string> ReadSubkeyText(const std::string& subkey,
                                              const std::string& value) const override {
        const auto it = subkeyTexts.find({subkey, value});
        return it == subkeyTexts.end() ? std::nullopt : std::optional(it->second);
    }
    bool WriteSubkeyText(const std::string& subkey, const std::string& value,
                         const std::string& text) override {
        if (!refuseWrites)
            subkeyTexts[{subkey, value}] = text;
        return !refuseWrites;
    }
};
