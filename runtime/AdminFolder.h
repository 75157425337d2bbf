// A folder only administrators may write, and files appended to in it whose every block is
// on the disk before the call returns: where the tools keep what must survive them and must
// not be changed by anyone else (the undo journals). The tools run elevated; a folder that
// someone else made, a link that sends the files elsewhere, or an access list that lets
// another user write, add or delete there is refused rather than used.
#pragma once

#include "Outcome.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a folder the tools make gets: full access for Administrators and SYSTEM, inherited by
// everything made in it, and nothing for anyone else.
inline constexpr char kAdminFolderDescriptor[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

enum class FolderRefusal {
    None,
    NotAFolder,     // something else holds the name
    ReparsePoint,   // a junction or a symbolic link
    UntrustedOwner, // owned by someone but Administrators, SYSTEM or the tool's own user
    OthersMayWrite, // its access list lets someone else write, add, delete or change it
};

// Why a folder is refused, for the administrator (ANSI); empty for None.
std::string FolderRefusalText(FolderRefusal refusal);

// A name for a file in a folder and nothing else: no folder, no drive or stream (':'), no
// "." or "..", no control character, no character Windows does not allow in a name.
bool IsPlainFileName(std::string_view name);

// An allowing entry of a folder's access list: whom (a SID in string form) and the rights
// (Windows' access mask; generic rights count as what they grant).
struct AccessEntry {
    std::string sid;
    std::uint32_t mask = 0;
};

// Whether the access list lets anyone but Administrators, SYSTEM, TrustedInstaller, the
// creator of each file (CREATOR OWNER) or one of own write, add, delete, or change the
// folder, its access list or owner. An entry of a kind the caller cannot read has no SID
// and every right.
bool OthersMayWrite(const std::vector<AccessEntry>& allowed, const std::vector<std::string>& own);

// A file appended to block by block.
class IAppendFile {
public:
    virtual ~IAppendFile() = default;
    // The file's full path (ANSI).
    virtual const std::string& Path() const = 0;
    // Writes bytes at the end and has them on the disk before it returns. Failed, with why,
    // when it could not: the file may then hold part of them.
    virtual Outcome Append(std::string_view bytes, std::string& why) = 0;
};

// A folder only administrators may write, held open so that it cannot be renamed or
// replaced while the tool works in it.
class IAdminFolder {
public:
    virtual ~IAdminFolder() = default;
    // The folder's full path (ANSI).
    virtual const std::string& Path() const = 0;
    // Creates a new file (never one that is there) for appending; it keeps the folder open
    // while it lives. Null, with why, when the name is not a plain file name or the file
    // cannot be made.
    virtual std::unique_ptr<IAppendFile> NewFile(const std::string& name, std::string& why) = 0;
};

// Platform side: makes path a folder with kAdminFolderDescriptor (natively: mode 0700), or
// opens the folder that is there when it is a folder, not a link, its owner trusted and no
// one else may write in it. Null, with why, otherwise.
std::unique_ptr<IAdminFolder> OpenAdminFolder(const std::string& path, std::string& why);
