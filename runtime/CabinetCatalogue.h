// The cabinet catalogue: which cabinets the installation has and how to reach each one.
//
// getSydCabList runs the catalogue query on ZqlCatalog through the interpreter, decodes each
// cabinet's SQL Server login and password through the server's helper library and makes one
// CabinetRecord per cabinet. When the catalogue yields nothing usable, the databases of the
// system database are listed instead. CServerInventory is the start-up object that knows
// which server products are installed and holds the cabinets the main dialogs show.
#pragma once

#include "HelperLibrary.h"
#include "LogFile.h"
#include "Outcome.h"
#include "Registry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One cabinet; texts are zero-terminated ANSI of fixed widths, cut to the field when longer.
// The login and password stay as the catalogue keeps them, encoded (as long as the
// catalogue's work buffer holds them): the session decodes them for its connect call only.
struct CabinetRecord {
    char displayName[256];
    char databaseName[32];
    char folder[256];
    char operationMode[8];
    char databaseHost[256];
    char encodedUser[1024];
    char encodedPassword[1024];
    char shortName[64];
    std::int32_t stateFlag;
};

// The name a cabinet is shown by: its display name, or its folder when it has none.
std::string CabinetName(const CabinetRecord& record);

// Everything the catalogue reads from outside: the registry, the interpreter (a command
// line in, its text out, with the status of CaptureSqliOutput) and the helper library; and
// the log it writes its steps to.
struct CatalogueSources {
    const IRegistry* registry;
    std::function<std::uint32_t(const std::string& commandLine, std::string& output)>
        runInterpreter;
    const CredentialLibrary* library;
    ILog* log;
};
CatalogueSources SystemCatalogueSources();

// The catalogue layer's status -1: no cabinets could be read, because the product is not
// installed or the interpreter's listing could not be read.
constexpr std::uint32_t kCabinetsUnreadable = 0xFFFFFFFF;

std::uint32_t getSydCabList(std::uint32_t serverType, std::vector<CabinetRecord>& records,
                            const CatalogueSources& sources);

std::uint32_t ListSystemDatabases(std::uint32_t serverType, const std::string& folder,
                                  std::vector<CabinetRecord>& records,
                                  const CatalogueSources& sources);

struct ServerEntry {
    std::uint32_t code;
    std::string productName;
    bool available;
    std::vector<CabinetRecord> cabinets;
};

class CServerInventory {
public:
    // Reads the installed-products mask; product names come from loadText (string-table ids
    // 2001 to 2003), by default the built-in names.
    explicit CServerInventory(const CatalogueSources& sources,
                              std::function<std::string(int id)> loadText = {});
    ~CServerInventory();

    std::uint32_t ServerTypeBits() const { return serverTypeBits_; }
    bool IsInstalled(int entry) const;
    // Lists the cabinets of the storage product into entry 0: the status of getSydCabList,
    // or kCabinetsUnreadable when that product is not installed.
    std::uint32_t LoadCabinets();
    void ClearCabinets(int entry);
    void ClearAllCabinets();
    bool GetProductName(int entry, std::string& name) const;
    bool GetCabinetName(int entry, int cabinet, std::string& name) const;
    int CountNamedCabinets(int entry, std::string& productName) const;
    const ServerEntry& Entry(int entry) const { return entries_[entry]; }

private:
    CatalogueSources sources_;
    std::uint32_t serverTypeBits_;
    ServerEntry entries_[3];
};
