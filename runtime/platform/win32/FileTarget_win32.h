// What a file opened with FILE_FLAG_OPEN_REPARSE_POINT is (the link itself, not what it
// points at): a target the tools may write, or why not. The log file and the files of
// /check are both looked at through it. And the steps every file the tools write takes.
#pragma once

#include "FileTarget.h"

#include <windows.h>

#include <string>
#include <string_view>

TargetRefusal RefusalOfOpenedFile(HANDLE file);

// The full path of a path, as Windows resolves it; empty when it cannot.
std::wstring FullPath(const std::wstring& path);

// Writes all bytes at the file's position; false at the first failure (GetLastError says why).
bool WriteAll(HANDLE file, std::string_view bytes);
