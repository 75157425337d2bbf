#include "AdminFolder.h"

#include "FileTarget.h"
#include "Mbcs.h"
#include "Text.h"

#include <algorithm>

namespace {

// Rights that let their holder change what a folder holds or who may: write data, append
// data (add a subfolder), extended attributes, delete a child, attributes, delete, change
// the access list or owner; and the generic and maximum rights that include them.
constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0010 | 0x0040 | 0x0100 | 0x00010000 |
                                       0x00040000 | 0x00080000 | 0x02000000 | 0x10000000 |
                                       0x40000000;

const char* const kTrusted[] = {
    "S-1-5-32-544", // Administrators
    "S-1-5-18",     // SYSTEM
    "S-1-3-0",      // CREATOR OWNER: the creator of each file, who may write there anyway
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", // TrustedInstaller
};

} // namespace

std::string FolderRefusalText(FolderRefusal refusal) {
    switch (refusal) {
    case FolderRefusal::None:
        break;
    case FolderRefusal::NotAFolder:
        return Ansi("フォルダーではありません。");
    case FolderRefusal::ReparsePoint:
        return TargetRefusalText(TargetRefusal::FolderReparsePoint);
    case FolderRefusal::UntrustedOwner:
        return Ansi("Administrators、SYSTEM、実行中のユーザー以外が所有するフォルダーです。");
    case FolderRefusal::OthersMayWrite:
        return Ansi("Administrators と SYSTEM 以外にも書き込みを許すフォルダーです。");
    }
    return {};
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    const std::string text(name);
    if (text.find('\0') != std::string::npos)
        return false;
    for (const char* p = text.c_str(); *p != '\0'; p += mbcs::CharLength(p)) {
        const auto c = static_cast<unsigned char>(*p);
        if (mbcs::CharLength(p) == 1 &&
            (c < 0x20 || c == 0x7F ||
             std::string_view("\\/:*?\"<>|").find(*p) != std::string_view::npos))
            return false;
    }
    return true;
}

bool OthersMayWrite(const std::vector<AccessEntry>& allowed, const std::vector<std::string>& own) {
    return std::any_of(allowed.begin(), allowed.end(), [&](const AccessEntry& entry) {
        const bool trusted =
            std::find(std::begin(kTrusted), std::end(kTrusted), entry.sid) != std::end(kTrusted) ||
            (!entry.sid.empty() && std::find(own.begin(), own.end(), entry.sid) != own.end());
        return !trusted && (entry.mask & kWriteRights) != 0;
    });
}
