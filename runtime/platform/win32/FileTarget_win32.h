// What a file opened with FILE_FLAG_OPEN_REPARSE_POINT is (the link itself, not what it
// points at): a target the tools may write, or why not. The log file and the files of
// /check are both looked at through it.
#pragma once

#include "FileTarget.h"

#include <windows.h>

TargetRefusal RefusalOfOpenedFile(HANDLE file);
