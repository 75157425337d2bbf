// The server's helper library, bound when a tool starts rather than by import: its
// functions are looked up by the names of HelperLibraryExports.inc, so that the programs
// load against a library built by Microsoft's compiler (or exporting plain names), and a
// server without it gets a message in the tool's own words instead of the loader's.
#pragma once

#include "Outcome.h"
#include "Secret.h"
#include "ZqlCommon.h"

#include <functional>
#include <string>

// The calls of the helper library that decode credentials; the tools bind the library's
// own functions, tests bind fakes.
struct CredentialLibrary {
    ZqlStatus (*asciiToString)(const char*, ZqlWideChar**, ZqlAllocFn);
    ZqlStatus (*decrypt2)(const ZqlWideChar*, ZqlWideChar**, ZqlAllocFn);
    ZqlStatus (*stringToAscii)(const ZqlWideChar*, char**, ZqlAllocFn);
    void (*freeNarrow)(char*, ZqlReleaseFn);
    void (*freeWide)(ZqlWideChar*, ZqlReleaseFn);
};

extern const char kHelperLibraryFile[]; // "ZqlCommon_SD3.dll"

// An export's address by name, null when the library has none of that name.
using ExportLookup = std::function<void*(const char* name)>;

// Binds every function, each by the first of its names the library exports. Failed when a
// function has none; missing then holds that function's plain name.
Outcome BindCredentialLibrary(const ExportLookup& lookup, CredentialLibrary& library,
                              std::string& missing);

// The system's helper library, loaded and bound once (the platform's side); null when it
// cannot be loaded or lacks a function, which missing then names (the library's file name
// or the function's).
const CredentialLibrary* SystemHelperLibrary(std::string* missing = nullptr);

// Decodes a login or password of the catalogue into plain, which wipes it when it goes; the
// library's own texts of it are wiped before they are released. Failed when any step of
// the library failed or gave no text (plain is then left as it was).
Outcome DecodeCredential(const std::string& encoded, CSecretString& plain,
                         const CredentialLibrary& library);

// What the administrator reads when the library cannot be bound (ANSI).
std::string HelperLibraryMissingText(const std::string& missing);
