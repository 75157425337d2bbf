// What the registry tells about the server installation: which products are installed,
// where the server lives, and which edition (and so which generation of the embedded
// engine's configuration) the interpreter must be pointed at. Nothing is written back.
#pragma once

#include "Registry.h"

#include <cstdint>
#include <string>

// Server-type codes: bits of the installed-products mask. Every query of the tools uses
// the storage server's code.
constexpr std::uint32_t kServerTypeStorage = 512;
constexpr std::uint32_t kServerTypeQuay = 1024;
constexpr std::uint32_t kServerTypePlume = 2048;
constexpr std::uint32_t kServerTypeMask = 0xE00;

struct EditionRow {
    const char* registryArgument; // passed to the interpreter after /inprocess
};

constexpr int kEditionRowCount = 7;
const EditionRow& Edition(int row);

// Odd rows are generation 5: their folder is InstallDir\Zeph5 and the interpreter prints a
// column header before the data.
inline bool IsGeneration5Row(int row) {
    return row % 2 == 1;
}

// The ServerType value AND 0xE00; 0 when the key or value is missing or longer than 4 bytes.
std::uint32_t ReadServerType(const IRegistry& registry);

// The edition row of a server-type code, decided by whether the code's generation-5 key
// exists; -1 for an unknown code.
int ResolveEdition(std::uint32_t code, const IRegistry& registry);

// InstallDir, followed by "\Zeph5" for generation-5 rows; empty when the installation key
// cannot be opened.
std::string ReadInstallFolder(int row, const IRegistry& registry);

// InstallDir alone; empty when the installation key cannot be opened.
std::string ReadInstallDir(const IRegistry& registry);

// Whether a folder read from the registry is a full path: a drive, a colon and a backslash,
// or a share ("\\\\server\\share"). Anything else ("", "Velmora", "\\Velmora", "C:Velmora")
// is looked up from the current folder or drive, which other users may have written to.
bool IsFullFolderPath(const std::string& folder);

// The Windows service of a product, or null for a code outside the table.
const char* ServiceNameOfProduct(std::uint32_t code);

// The texts of the product names when there is no string table.
const char* DefaultProductName(std::uint32_t code);
