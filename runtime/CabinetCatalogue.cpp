#include "CabinetCatalogue.h"

#include "StringIds.h"

#include "InstallSettings.h"
#include "LogFile.h"
#include "Mbcs.h"
#include "SqliQuery.h"
#include "Text.h"

#include <cstring>
#include <vector>

namespace {

const char kCatalogueStatement[] =
    "select T1.CatalogKey, '|', T1.StringValue, '|', T2.StringValue, '|', T3.StringValue, '|', "
    "T4.StringValue, '|', T5.StringValue, '|', T6.StringValue from Catalog as T1, Catalog as "
    "T2, Catalog as T3, Catalog as T4, Catalog as T5, Catalog as T6 where T1.CatalogKey = "
    "T2.CatalogKey AND T1.CatalogKey = T3.CatalogKey AND T1.CatalogKey = T4.CatalogKey AND "
    "T1.CatalogKey = T5.CatalogKey AND T1.CatalogKey = T6.CatalogKey AND T1.ValueName = "
    "'brannockVaultName' AND T2.ValueName = 'brannockVaultDatabaseName' AND T3.ValueName = "
    "'brannockVaultOperationMode' AND T4.ValueName = 'brannockVaultDatabaseHost' AND "
    "T5.ValueName = 'brannockVaultDatabaseUser' AND T6.ValueName = "
    "'brannockVaultDatabasePassword'";

const char kListingStatement[] =
    "select Name, Paths from system_database where (Name <> 'ZqlDocType') AND (Name <> "
    "'ZqlCatalog') AND (Name <>'DefaultDB')";

const char kLogLabel[] = "getSydCabList()";

// The credential work buffer of the catalogue holds 1,023 bytes of encoded text.
constexpr std::size_t kCredentialWorkBytes = 1024;

template <std::size_t N> void SetField(char (&field)[N], const std::string& text) {
    mbcs::CopyToField(field, N, text);
}

CabinetRecord EmptyRecord() {
    CabinetRecord record;
    std::memset(&record, 0, sizeof record);
    record.stateFlag = 1;
    return record;
}

// A catalogue field reduced to its first token between braces; a field made only of
// braces stays as it is.
std::string CatalogueValue(const char* field) {
    const CTokenList tokens = SplitBySet(field, "{}");
    return tokens.Count() > 0 ? tokens.At(0) : field;
}

// The login and password are kept encoded; decoding each once now, and wiping the result at
// once, tells while the catalogue is read which one the helper library cannot decode. That
// field stays empty, as a login the session then reports missing.
void KeepDecodable(const std::string& encoded, char* field, std::size_t fieldSize,
                   const CatalogueSources& sources, const char* failureText) {
    const std::string work =
        encoded.substr(0, mbcs::PrefixLength(encoded, kCredentialWorkBytes - 1));
    CSecretString plain;
    if (sources.library != nullptr &&
        DecodeCredential(work, plain, *sources.library) == Outcome::Done)
        mbcs::CopyToField(field, fieldSize, work);
    else
        sources.log->Result(LogStatus::Failure, failureText);
}

// A catalogue row: the key, then name, database name, operation mode, host, login and
// password, separated by ",|,". Only the name is the administrator's free text and may hold
// the separator itself; so the row is read from both ends and the name is all that lies
// between. A row too short for all seven fields leaves the last ones empty.
constexpr std::size_t kCatalogueFields = 7;
constexpr std::size_t kFirstCredentialField = 5;

std::vector<std::string> CatalogueFields(const CTokenList& split) {
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < split.Count(); ++i)
        fields.emplace_back(split.At(i));
    if (fields.size() > kCatalogueFields) {
        const std::size_t nameParts = fields.size() - kCatalogueFields + 1;
        for (std::size_t i = 1; i < nameParts; ++i)
            fields[1] += ",|," + fields[1 + i];
        fields.erase(fields.begin() + 2,
                     fields.begin() + 1 + static_cast<std::ptrdiff_t>(nameParts));
    }
    fields.resize(kCatalogueFields);
    return fields;
}

CabinetRecord RecordFromCatalogueLine(const char* line, const CatalogueSources& sources) {
    const std::vector<std::string> fields = CatalogueFields(SplitBySeparator(line, ",|,"));
    CabinetRecord record = EmptyRecord();
    const std::string name = CatalogueValue(fields[1].c_str());
    SetField(record.displayName, name);
    SetField(record.shortName, name);
    SetField(record.databaseName, CatalogueValue(fields[2].c_str()));
    SetField(record.operationMode, CatalogueValue(fields[3].c_str()));
    SetField(record.databaseHost, CatalogueValue(fields[4].c_str()));
    KeepDecodable(CatalogueValue(fields[5].c_str()), record.encodedUser, sizeof record.encodedUser,
                  sources, "Decode error!! user");
    KeepDecodable(CatalogueValue(fields[6].c_str()), record.encodedPassword,
                  sizeof record.encodedPassword, sources, "Decode error!! password");
    return record;
}

// A catalogue row as the log may hold it: the encoded login and password, which the helper
// library on the same machine decodes, are masked; every other field stays. They are the
// row's last two fields, or in a row too short for all seven, whatever stands in their place.
std::string LoggedCatalogueLine(const char* line) {
    const CTokenList fields = SplitBySeparator(line, ",|,");
    const std::size_t firstMasked =
        fields.Count() >= kCatalogueFields ? fields.Count() - 2 : kFirstCredentialField;
    std::string logged;
    for (std::size_t i = 0; i < fields.Count(); ++i)
        logged += (i > 0 ? ",|," : "") + std::string(i >= firstMasked ? "********" : fields.At(i));
    return logged;
}

CabinetRecord RecordFromListingLine(const char* line) {
    const CTokenList values = SplitValues(line);
    CabinetRecord record = EmptyRecord();
    SetField(record.databaseName, values.At(0));
    const std::string paths = values.At(1);
    // Paths is the cabinet's folder followed by seven characters of its own. A cut that
    // would end inside a double-byte character leaves that character out too.
    const std::string folder =
        paths.size() > 7 ? paths.substr(0, mbcs::PrefixLength(paths, paths.size() - 7)) : "";
    SetField(record.folder, folder);
    SetField(record.displayName, folder);
    const char* lastSlash = mbcs::FindLastChar(folder.c_str(), '\\');
    SetField(record.shortName, lastSlash != nullptr ? lastSlash + 1 : folder.c_str());
    return record;
}

} // namespace

CatalogueSources SystemCatalogueSources() {
    return {&SystemRegistry(), &CaptureSqliOutput, SystemHelperLibrary(), &FileLog()};
}

std::uint32_t getSydCabList(std::uint32_t serverType, std::vector<CabinetRecord>& records,
                            const CatalogueSources& sources) {
    const std::optional<SqliAddress> sqli = ResolveSqli(serverType, *sources.registry);
    if (!sqli)
        return kSqliNoEdition;
    if (const std::uint32_t status = CheckInstallFolder(sqli->folder, *sources.log);
        status != kSqliOk)
        return status;
    const std::string commandLine = sqli->CommandLine("ZqlCatalog", kCatalogueStatement);
    sources.log->Result(LogStatus::Success, kLogLabel, commandLine);
    std::string output;
    if (sources.runInterpreter(commandLine, output) != kSqliOk)
        return kSqliReadFailed;

    const CTokenList lines = SplitLines(output);
    if (lines.Count() == 0) {
        const std::uint32_t status =
            ListSystemDatabases(serverType, sqli->folder, records, sources);
        sources.log->Result(LogStatus::Failure, Ansi("キャビネットが見つからなかった"));
        return status;
    }
    sources.log->Result(LogStatus::Success, kLogLabel, LoggedCatalogueLine(lines.At(0)));
    if (IsInterpreterError(lines.At(0)))
        return ListSystemDatabases(serverType, sqli->folder, records, sources);

    // Generation 5 prints a column header first; generation 4 prints data only.
    const std::size_t first = sqli->Generation5() ? 1 : 0;
    std::vector<CabinetRecord> made;
    made.reserve(lines.Count() - first);
    for (std::size_t i = first; i < lines.Count(); ++i) {
        if (i > 0)
            sources.log->Result(LogStatus::Success, kLogLabel, LoggedCatalogueLine(lines.At(i)));
        made.push_back(RecordFromCatalogueLine(lines.At(i), sources));
    }
    records = std::move(made);
    return kSqliOk;
}

std::uint32_t ListSystemDatabases(std::uint32_t serverType, const std::string& folder,
                                  std::vector<CabinetRecord>& records,
                                  const CatalogueSources& sources) {
    std::optional<SqliAddress> sqli = ResolveSqli(serverType, *sources.registry);
    if (!sqli)
        return kSqliInvalidArg;
    sqli->folder = folder; // where the catalogue was looked for
    if (const std::uint32_t status = CheckInstallFolder(folder, *sources.log); status != kSqliOk)
        return status;
    std::string output;
    if (sources.runInterpreter(sqli->CommandLine("$$SystemDB", kListingStatement), output) !=
        kSqliOk)
        return kCabinetsUnreadable;
    const CTokenList lines = SplitLines(output);
    if (lines.Count() == 0 || IsInterpreterError(lines.At(0)))
        return kSqliNoEdition;
    const std::size_t first = sqli->Generation5() ? 1 : 0;
    std::vector<CabinetRecord> made;
    made.reserve(lines.Count() - first);
    for (std::size_t i = first; i < lines.Count(); ++i)
        made.push_back(RecordFromListingLine(lines.At(i)));
    records = std::move(made);
    return kSqliOk;
}

std::string CabinetName(const CabinetRecord& record) {
    return record.displayName[0] != '\0' ? record.displayName : record.folder;
}

CServerInventory::CServerInventory(const CatalogueSources& sources,
                                   std::function<std::string(int id)> loadText)
    : sources_(sources), serverTypeBits_(ReadServerType(*sources.registry)) {
    const std::uint32_t codes[3] = {kServerTypeStorage, kServerTypeQuay, kServerTypePlume};
    const int ids[3] = {IDS_PRODUCT_STORAGE, IDS_PRODUCT_QUAY, IDS_PRODUCT_PLUME};
    for (int i = 0; i < 3; ++i) {
        entries_[i].code = codes[i];
        entries_[i].productName = loadText ? loadText(ids[i]) : DefaultProductName(codes[i]);
        entries_[i].available = IsInstalled(i);
    }
}

CServerInventory::~CServerInventory() {
    ClearAllCabinets();
}

bool CServerInventory::IsInstalled(int entry) const {
    return (serverTypeBits_ & entries_[entry].code) != 0;
}

std::uint32_t CServerInventory::LoadCabinets() {
    if (!IsInstalled(0))
        return kCabinetsUnreadable;
    std::vector<CabinetRecord> records;
    const std::uint32_t status = getSydCabList(entries_[0].code, records, sources_);
    entries_[0].cabinets = std::move(records);
    if (status != kSqliOk)
        ClearCabinets(0);
    if (!entries_[0].cabinets.empty())
        entries_[0].available = true;
    return status;
}

void CServerInventory::ClearCabinets(int entry) {
    if (!IsInstalled(entry))
        return;
    entries_[entry].cabinets.clear();
    entries_[entry].cabinets.shrink_to_fit();
    entries_[entry].available = false;
}

void CServerInventory::ClearAllCabinets() {
    for (int i = 0; i < 3; ++i)
        ClearCabinets(i);
}

bool CServerInventory::GetProductName(int entry, std::string& name) const {
    name.clear();
    if (!IsInstalled(entry))
        return false;
    name = entries_[entry].productName;
    return entries_[entry].available;
}

bool CServerInventory::GetCabinetName(int entry, int cabinet, std::string& name) const {
    name.clear();
    if (!IsInstalled(entry) || cabinet < 0 ||
        static_cast<std::size_t>(cabinet) >= entries_[entry].cabinets.size())
        return false;
    name = CabinetName(entries_[entry].cabinets[static_cast<std::size_t>(cabinet)]);
    return !name.empty();
}

int CServerInventory::CountNamedCabinets(int entry, std::string& productName) const {
    if (!GetProductName(entry, productName))
        return 0;
    int named = 0;
    std::string name;
    for (std::size_t i = 0; i < entries_[entry].cabinets.size(); ++i)
        named += GetCabinetName(entry, static_cast<int>(i), name) ? 1 : 0;
    return named;
}
