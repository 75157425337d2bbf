#include "StringTable.h"

#include <algorithm>

StringTableView Strings(Tool tool) {
    switch (tool) {
    case Tool::Scrutel:
        return {kScrutelStrings, kScrutelStringsCount};
    case Tool::Mendora:
        return {kMendoraStrings, kMendoraStringsCount};
    }
    return {nullptr, 0};
}

const char* FindString(StringTableView table, int id) {
    const StringEntry* found =
        std::lower_bound(table.begin(), table.end(), id,
                         [](const StringEntry& entry, int wanted) { return entry.id < wanted; });
    return found != table.end() && found->id == id ? found->text : nullptr;
}

const char* FindString(Tool tool, int id) {
    return FindString(Strings(tool), id);
}
