// Checks of the STRINGTABLE linked into a test program against the C++ table generated from
// the same .strings file: LoadStringA (ANSI, code page 932 under the tests' locale) must
// return Ansi(text) for every entry, and nothing for any other id.
#pragma once

#include "StringTable.h"
#include "Text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace wine_strings {

// The resource text of id; false when the program has none.
inline bool LoadResourceString(int id, std::string& text) {
    char buffer[8192];
    const int length =
        LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, sizeof buffer);
    if (length <= 0)
        return false;
    text.assign(buffer, static_cast<std::size_t>(length));
    return true;
}

inline void ExpectResourcesMatch(StringTableView table) {
    ASSERT_EQ(GetACP(), 932u) << "the tests need LANG=ja_JP.UTF-8 (scripts/wine-exec sets it)";
    ASSERT_GT(table.count, 0u);
    std::set<int> ids;
    for (const StringEntry& entry : table) {
        ids.insert(entry.id);
        std::string loaded;
        ASSERT_TRUE(LoadResourceString(entry.id, loaded)) << "id " << entry.id;
        EXPECT_EQ(loaded, Ansi(entry.text))
            << "id " << entry.id << ": resource \"" << Utf8FromAnsi(loaded) << "\", table \""
            << entry.text << "\"";
    }
    for (int id = 0; id <= 65535; ++id) {
        std::string loaded;
        if (LoadResourceString(id, loaded)) {
            EXPECT_EQ(ids.count(id), 1u) << "resource string " << id << " is not in the table";
        }
    }
}

} // namespace wine_strings
