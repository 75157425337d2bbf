// Where an undo journal is kept: its file, appended to section by section in a folder only
// administrators may write, and its SHA-256, recorded where only administrators can write,
// under the tools' own key. The undo trusts a journal only when the file's SHA-256 is one
// recorded for its name.
//
// A process may die between any two steps, so each section is written in three: first the
// SHA-256 of the file before and after the section are both recorded, then the section is
// appended and flushed, then only the one after is kept. A journal cut anywhere between the
// steps still matches; a section written in part does not.
#pragma once

#include "AdminFolder.h"
#include "Outcome.h"
#include "Sha256.h"
#include "ToolKey.h"

#include <memory>
#include <string>
#include <string_view>

// The subkey of the tools' key with one REG_SZ value per journal: named by the journal's file
// name, holding one SHA-256, or two separated by a blank while a section is being written
// (64 lower-case hexadecimal digits each).
extern const char kUndoJournalsSubkey[];

class CUndoJournalFile {
public:
    // file: a new, empty journal file.
    CUndoJournalFile(std::unique_ptr<IAppendFile> file, IToolKey& key);

    // Appends a section (the journal writer's pending lines) as above. Failed, with why, when
    // a step failed; the journal is then to be given up.
    Outcome Append(std::string_view section, std::string& why);
    const std::string& Path() const { return file_->Path(); }

private:
    bool Record(const std::string& hashes, std::string& why);

    std::unique_ptr<IAppendFile> file_;
    IToolKey& key_;
    std::string name_;
    CSha256 hash_;
};

enum class JournalHashCheck {
    Matches,
    NotRecorded, // nothing is recorded for the file's name
    Differs,     // the file is not what was recorded (or the record is not one)
};

// Whether a journal file's bytes are those recorded for its name (the last part of path).
JournalHashCheck CheckUndoJournalHash(const IToolKey& key, const std::string& path,
                                      std::string_view bytes);

// The last part of a path: after its last '\' or '/' outside double-byte characters.
std::string FileNameOf(const std::string& path);
