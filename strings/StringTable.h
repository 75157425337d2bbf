// The string tables of the two programs, as UTF-8 texts. Each table is generated from
// strings/<Tool>.strings, the same file that generates the program's STRINGTABLE resource,
// so a text looked up here is the text the program loads with LoadString (after
// conversion to the ANSI code page, see Ansi in runtime/Text.h).
#pragma once

#include "ToolProfile.h"

#include <cstddef>

struct StringEntry {
    int id;
    const char* text; // UTF-8
};

// A generated table: entries sorted by id, each id once.
struct StringTableView {
    const StringEntry* entries;
    std::size_t count;

    const StringEntry* begin() const { return entries; }
    const StringEntry* end() const { return entries + count; }
};

extern const StringEntry kScrutelStrings[];
extern const std::size_t kScrutelStringsCount;
extern const StringEntry kMendoraStrings[];
extern const std::size_t kMendoraStringsCount;

StringTableView Strings(Tool tool);

// The UTF-8 text of a table's entry, or nullptr when the table has no such id.
const char* FindString(StringTableView table, int id);
const char* FindString(Tool tool, int id);
