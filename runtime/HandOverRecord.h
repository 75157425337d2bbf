// The record of the storage service's hand-over between the tools (ServiceHandOver.h): how
// the first holder found the service and who holds it now, as the one text value the
// tools' key keeps; and which owners of a named object the tools trust.
#pragma once

#include "ServiceManager.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ProcessIdentity {
    std::uint32_t id = 0;
    std::uint64_t created = 0; // creation time as the system gives it (100 ns since 1601)
    bool operator==(const ProcessIdentity& other) const {
        return id == other.id && created == other.created;
    }
};

struct HandOverRecord {
    ServiceCondition found{ServiceStartType::Auto, true};
    std::vector<ProcessIdentity> holders;
};

// "StartType=2;Running=1;Holders=4242:133790000000000000,..." and back; nothing for a text
// that is not such a record.
std::string FormatHandOverRecord(const HandOverRecord& record);
std::optional<HandOverRecord> ParseHandOverRecord(const std::string& text);

// Whether a named object's owner (a SID in string form) may be trusted: Administrators,
// SYSTEM, or the owner this process's own token gives the objects it creates.
bool IsTrustedOwner(const std::string& ownerSid, const std::string& ownDefaultOwnerSid);
