// Where the programs take DLLs from. They run elevated, started in folders (and from
// folders) other users may write to: a DLL is loaded from System32, or by its full path
// from a folder the tool chose, never found by a search of the program's folder, the
// current folder or PATH.
#pragma once

#include <windows.h>

#include <string>

// First thing in each program: later loads search System32 only, the current folder never.
void RestrictDllSearch();

// A DLL of System32, by its full path; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A DLL by its full path (ANSI), the DLLs it needs from its own folder and System32; null
// when it cannot be loaded.
HMODULE LoadLibraryByFullPath(const std::string& path);
