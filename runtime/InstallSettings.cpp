#include "InstallSettings.h"

namespace {

const char kServerTypeKey[] = "SOFTWARE\\Brannock\\Corvane2";
const char kInstallKey[] = "SOFTWARE\\Brannock\\Pellacore";

const EditionRow kEditions[kEditionRowCount] = {
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph4\\Tarn-G1\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Tarn-D1\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Tarn-G1\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph4\\Quay\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Quay\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph4\\Pellam-SW2.5\""},
    {"/reg \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore\\Zeph5\\Pellam-SW2.5\""},
};

struct EditionProbe {
    std::uint32_t code;
    const char* generation5Key;
    int rowWhenPresent;
    int rowWhenAbsent;
};

// Only code 512 (and 256 without its key) lands on rows that fit the edition table; the
// others are kept as the server's tools have always mapped them and are never resolved.
const EditionProbe kProbes[] = {
    {256, "Software\\Brannock\\Pellacore\\Zeph5\\Tarn-G1", 1, 0},
    {512, "Software\\Brannock\\Pellacore\\Zeph5\\Tarn-D1", 1, 0},
    {1024, "Software\\Brannock\\Pellacore\\Zeph5\\Quay", 3, 2},
    {2048, "Software\\Brannock\\Pellacore\\Zeph5\\Pellam-SW2.5", 5, 4},
};

} // namespace

const EditionRow& Edition(int row) {
    return kEditions[row];
}

std::uint32_t ReadServerType(const IRegistry& registry) {
    return registry.QueryDword(kServerTypeKey, "ServerType").value_or(0) & kServerTypeMask;
}

int ResolveEdition(std::uint32_t code, const IRegistry& registry) {
    for (const EditionProbe& probe : kProbes) {
        if (probe.code == code)
            return registry.KeyExists(probe.generation5Key) ? probe.rowWhenPresent
                                                            : probe.rowWhenAbsent;
    }
    return -1;
}

std::string ReadInstallFolder(int row, const IRegistry& registry) {
    if (!registry.KeyExists(kInstallKey))
        return {};
    std::string folder = ReadInstallDir(registry);
    if (IsGeneration5Row(row))
        folder += "\\Zeph5";
    return folder;
}

std::string ReadInstallDir(const IRegistry& registry) {
    if (!registry.KeyExists(kInstallKey))
        return {};
    return registry.QueryString(kInstallKey, "InstallDir").value_or("");
}

bool IsFullFolderPath(const std::string& folder) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (folder.size() >= 3 && letter(folder[0]) && folder[1] == ':' && folder[2] == '\\')
        return true;
    return folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\\';
}

const char* ServiceNameOfProduct(std::uint32_t code) {
    switch (code) {
    case kServerTypeStorage:
        return "HalvixStoreP";
    case kServerTypeQuay:
        return "HalvixQuay";
    case kServerTypePlume:
        return "HalvixPlume";
    default:
        return nullptr;
    }
}

const char* DefaultProductName(std::uint32_t code) {
    switch (code) {
    case kServerTypeStorage:
        return "Tessaly";
    case kServerTypeQuay:
        return "Corlith";
    case kServerTypePlume:
        return "Ambrel";
    default:
        return "";
    }
}
