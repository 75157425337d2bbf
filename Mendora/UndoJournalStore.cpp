#include "UndoJournalStore.h"

#include "Mbcs.h"
#include "Text.h"

const char kUndoJournalsSubkey[] = "UndoJournals";

namespace {

bool IsHash(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

CUndoJournalFile::CUndoJournalFile(std::unique_ptr<IAppendFile> file, IToolKey& key)
    : file_(std::move(file)), key_(key), name_(FileNameOf(file_->Path())) {}

bool CUndoJournalFile::Record(const std::string& hashes, std::string& why) {
    if (key_.WriteSubkeyText(kUndoJournalsSubkey, name_, hashes))
        return true;
    why = Ansi("取り消し記録の SHA-256 をレジストリに書き込めませんでした。");
    return false;
}

Outcome CUndoJournalFile::Append(std::string_view section, std::string& why) {
    CSha256 after = hash_;
    after.Update(section);
    if (!Record(hash_.FinishHex() + " " + after.FinishHex(), why) ||
        file_->Append(section, why) == Outcome::Failed)
        return Outcome::Failed;
    hash_ = after;
    return Record(hash_.FinishHex(), why) ? Outcome::Done : Outcome::Failed;
}

JournalHashCheck CheckUndoJournalHash(const IToolKey& key, const std::string& path,
                                      std::string_view bytes) {
    const std::optional<std::string> recorded =
        key.ReadSubkeyText(kUndoJournalsSubkey, FileNameOf(path));
    if (!recorded)
        return JournalHashCheck::NotRecorded;
    const std::string_view text = *recorded;
    const std::size_t blank = text.find(' ');
    const std::string_view first = text.substr(0, blank);
    const std::string_view second =
        blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    if (!IsHash(first) || (blank != std::string_view::npos && !IsHash(second)))
        return JournalHashCheck::Differs;
    const std::string actual = Sha256Hex(bytes);
    return actual == first || actual == second ? JournalHashCheck::Matches
                                               : JournalHashCheck::Differs;
}

std::string FileNameOf(const std::string& path) {
    const char* back = mbcs::FindLastChar(path.c_str(), '\\');
    const char* slash = mbcs::FindLastChar(path.c_str(), '/');
    const char* last = back > slash ? back : slash;
    return last == nullptr ? path : std::string(last + 1);
}
