// Who owns an object, and who this process is, as SIDs in string form ("S-1-5-32-544"), for
// the decisions of HandOverRecord.h's IsTrustedOwner.
#pragma once

#include <windows.h>

#include <accctrl.h>

#include <string>

std::string SidText(PSID sid);

// The owner this process's token gives the objects it creates (Administrators for an
// elevated administrator).
std::string OwnDefaultOwner();
// The user of this process's token.
std::string OwnUser();

// The owner of an object; empty when it cannot be read.
std::string OwnerOf(HANDLE object, SE_OBJECT_TYPE type);

// Whether the owner is trusted: Administrators, SYSTEM, or this process's default owner or
// user (a file system gives what a process creates its user as owner where it keeps no
// other: Wine does).
bool IsOwnedByTrusted(const std::string& owner);
