// An undo journal for the tests of /undo: put in a file of the current folder under its
// journal name, with its SHA-256 recorded under the tools' key as a repair records it.
#pragma once

#include "FakeToolKey.h"
#include "Sha256.h"
#include "UndoJournal.h"
#include "UndoJournalStore.h"

#include <fstream>
#include <string>

// The journal's file name.
inline std::string PutRecordedJournal(const JournalHeader& header, const std::string& bytes,
                                      FakeToolKey& key) {
    const std::string name = UndoJournalFileName(header);
    std::ofstream(name, std::ios::binary) << bytes;
    key.subkeyTexts[{kUndoJournalsSubkey, name}] = Sha256Hex(bytes);
    return name;
}
