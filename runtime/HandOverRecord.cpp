#include "HandOverRecord.h"

#include <algorithm>
#include <charconv>

namespace {

template <typename Number> bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "key=value" fields separated by ';', each key once and in this order.
bool TakeField(std::string_view& text, std::string_view key, std::string_view& value) {
    if (text.substr(0, key.size()) != key || text.substr(key.size(), 1) != "=")
        return false;
    text.remove_prefix(key.size() + 1);
    const std::size_t end = std::min(text.find(';'), text.size());
    value = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return true;
}

} // namespace

std::string FormatHandOverRecord(const HandOverRecord& record) {
    std::string text = "StartType=" + std::to_string(static_cast<int>(record.found.startType)) +
                       ";Running=" + (record.found.running ? "1" : "0") + ";Holders=";
    for (std::size_t i = 0; i < record.holders.size(); ++i)
        text += (i > 0 ? "," : "") + std::to_string(record.holders[i].id) + ":" +
                std::to_string(record.holders[i].created);
    return text;
}

std::optional<HandOverRecord> ParseHandOverRecord(const std::string& text) {
    if (text.empty() || text.back() == ';')
        return std::nullopt;
    std::string_view rest = text;
    std::string_view startType, running, holders;
    unsigned type = 0;
    if (!TakeField(rest, "StartType", startType) || !TakeField(rest, "Running", running) ||
        !TakeField(rest, "Holders", holders) || !rest.empty() || !ParseNumber(startType, type) ||
        type > static_cast<unsigned>(ServiceStartType::Disabled) ||
        (running != "0" && running != "1"))
        return std::nullopt;
    HandOverRecord record{{static_cast<ServiceStartType>(type), running == "1"}, {}};
    for (std::size_t start = 0; !holders.empty();) {
        const std::size_t end = std::min(holders.find(',', start), holders.size());
        const std::string_view holder = holders.substr(start, end - start);
        const std::size_t colon = holder.find(':');
        ProcessIdentity process;
        if (colon == std::string_view::npos || !ParseNumber(holder.substr(0, colon), process.id) ||
            !ParseNumber(holder.substr(colon + 1), process.created))
            return std::nullopt;
        record.holders.push_back(process);
        if (end == holders.size())
            break;
        start = end + 1;
    }
    return record;
}

bool IsTrustedOwner(const std::string& ownerSid, const std::string& ownDefaultOwnerSid) {
    return ownerSid == "S-1-5-32-544" /* Administrators */ || ownerSid == "S-1-5-18" /* SYSTEM */ ||
           (!ownDefaultOwnerSid.empty() && ownerSid == ownDefaultOwnerSid);
}
