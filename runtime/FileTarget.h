// The files the tools write run with an administrator's rights (and /check as SYSTEM), in
// folders other users may have written to: a file must be the one its path names. A reparse
// point (a symbolic link, a junction) or a second hard link would make the write land in
// whatever file whoever placed it chose; such a target is refused. The platform sides look
// at the link itself, never through it.
#pragma once

#include "Outcome.h"

#include <string>

enum class TargetRefusal {
    None,
    ReparsePoint,       // the file is a reparse point (natively: a symbolic link)
    HardLinked,         // the file has a second name
    FolderReparsePoint, // the folder it is in is a reparse point
};

// Why a path is refused, for the administrator (ANSI); empty for None.
std::string TargetRefusalText(TargetRefusal refusal);

// Why a step on a file failed, with the system's error code (ANSI).
std::string FileStepFailedText(const char* step, unsigned long error);

// Platform side: writes bytes as the whole new content of path, through a new file in the
// same folder, flushed to the disk and then moved over the old one in one step, so that the
// old file stays whole until the new one is complete. Failed, with why (ANSI, without the
// path), when the target is refused or a step fails; the new file is removed again.
Outcome ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& why);
