// The server's helper library, bound when a tool starts rather than by import: its
// functions are looked up by the names of HelperLibraryExports.inc, so that the programs
// load against a library built by Microsoft's compiler (or exporting plain names), and a
// server without it gets a message in the tool's own words instead of the loader's.
//
// The tools run elevated: the library is loaded by its full path from the server's own
// folders (the interpreter's folder of the edition, then InstallDir), or from the folder an
// administrator names in HelperLibraryFolder under the tools' own key, for a server that
// keeps it elsewhere; never from the tool's folder, the current folder or PATH, where
// another user may have put a DLL of that name.
#pragma once

#include "Outcome.h"
#include "Registry.h"
#include "Secret.h"
#include "ToolKey.h"
#include "ZqlCommon.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The calls of the helper library that decode credentials; the tools bind the library's
// own functions, tests bind fakes.
struct CredentialLibrary {
    ZqlStatus (*asciiToString)(const char*, ZqlWideChar**, ZqlAllocFn);
    ZqlStatus (*decrypt2)(const ZqlWideChar*, ZqlWideChar**, ZqlAllocFn);
    ZqlStatus (*stringToAscii)(const ZqlWideChar*, char**, ZqlAllocFn);
    void (*freeNarrow)(char*, ZqlReleaseFn);
    void (*freeWide)(ZqlWideChar*, ZqlReleaseFn);
};

extern const char kHelperLibraryFile[];        // "ZqlCommon_SD3.dll"
extern const char kHelperLibraryFolderValue[]; // "HelperLibraryFolder" (REG_SZ), tools' key

// An export's address by name, null when the library has none of that name.
using ExportLookup = std::function<void*(const char* name)>;

// Binds every function, each by the first of its names the library exports. Failed when a
// function has none; missing then holds that function's plain name.
Outcome BindCredentialLibrary(const ExportLookup& lookup, CredentialLibrary& library,
                              std::string& missing);

// Where the library is looked for: the folders in order, each a full path and each once,
// and the administrator's value as it was read (empty when there is none).
struct HelperLibrarySearch {
    std::vector<std::string> folders;
    std::string namedFolder;
};
HelperLibrarySearch FindHelperLibraryFolders(const IRegistry& registry);

// The platform's loader: the exports of the library at a full path, nothing when it cannot
// be loaded from there.
using LibraryLoader = std::function<std::optional<ExportLookup>(const std::string& path)>;

struct HelperLibraryBinding {
    CredentialLibrary library{};
    bool bound = false;
    std::string missing;    // kHelperLibraryFile, or the plain name of a function it lacks
    std::string loadedFrom; // the full path of the library that was loaded
    HelperLibrarySearch search;
};

// Loads the library from the first folder that has it and binds its functions.
HelperLibraryBinding LoadHelperLibrary(const IRegistry& registry, const LibraryLoader& load);

// The system's helper library, loaded and bound once (the platform's side); null when it
// cannot be loaded or lacks a function, and missing then says which and where the library
// was looked for, as the administrator reads it (HelperLibraryMissingText).
const CredentialLibrary* SystemHelperLibrary(std::string* missing = nullptr);

// Decodes a login or password of the catalogue into plain, which wipes it when it goes; the
// library's own texts of it are wiped before they are released. Failed when any step of
// the library failed or gave no text (plain is then left as it was).
Outcome DecodeCredential(const std::string& encoded, CSecretString& plain,
                         const CredentialLibrary& library);

// What the administrator reads when the library cannot be bound (ANSI): what is missing,
// and where the library was looked for.
std::string HelperLibraryMissingText(const HelperLibraryBinding& binding);
