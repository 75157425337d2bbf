// The generated string tables against their sources, read here by a parser of its own.
#include "StringTable.h"
#include "MendoraIds.h"
#include "ScrutelIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

extern const StringEntry kTrickyStrings[];
extern const std::size_t kTrickyStringsCount;

namespace {

const StringTableView kTricky{kTrickyStrings, kTrickyStringsCount};

std::map<int, std::string> ReadStringsFile(const std::string& path) {
    std::map<int, std::string> entries;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto tab = line.find('\t');
        const auto nameTab = line.find('\t', tab + 1);
        std::string text;
        for (std::size_t i = nameTab + 1; i < line.size(); ++i) {
            if (line[i] != '\\') {
                text += line[i];
                continue;
            }
            switch (line[++i]) {
            case 'r':
                text += '\r';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            default:
                text += line[i];
            }
        }
        entries[std::stoi(line.substr(0, tab))] = text;
    }
    return entries;
}

void ExpectTableMatchesFile(StringTableView table, const std::string& file) {
    const auto expected = ReadStringsFile(std::string(VT_STRINGS_DIR) + "/" + file);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected.size(), table.count);
    for (const auto& [id, text] : expected) {
        const char* found = FindString(table, id);
        ASSERT_NE(found, nullptr) << file << " id " << id;
        EXPECT_EQ(text, found) << file << " id " << id;
    }
    for (std::size_t i = 1; i < table.count; ++i)
        EXPECT_LT(table.entries[i - 1].id, table.entries[i].id) << "table not sorted by id";
}

TEST(StringTable, EveryEntryOfBothFilesIsInItsTable) {
    ExpectTableMatchesFile(Strings(Tool::Scrutel), "Scrutel.strings");
    ExpectTableMatchesFile(Strings(Tool::Mendora), "Mendora.strings");
    ExpectTableMatchesFile(kTricky, "tests/Tricky.strings");
}

TEST(StringTable, EscapesAndAwkwardCharactersSurvive) {
    EXPECT_STREQ(FindString(kTricky, 1), u8"引用符 \"quoted\" と \"\" 二つ");
    EXPECT_STREQ(FindString(kTricky, 2), "C:\\Velmora\\bin\\sqli.exe");
    EXPECT_STREQ(FindString(kTricky, 3), u8"一行目\r\n二行目\r\n");
    EXPECT_STREQ(FindString(kTricky, 4), u8"列1\t列2");
    EXPECT_STREQ(FindString(kTricky, 5), u8"100%% と %s と %d");
    EXPECT_STREQ(FindString(kTricky, 8), "ok? [yes/no]? {x}");
    EXPECT_STREQ(FindString(kTricky, 10), "#not a comment");
    EXPECT_STREQ(FindString(kTricky, 0), "id zero");
    EXPECT_STREQ(FindString(kTricky, 65535), "id 65535");
}

TEST(StringTable, MissingIdsGiveNull) {
    EXPECT_EQ(FindString(kTricky, 11), nullptr);
    EXPECT_EQ(FindString(kTricky, -1), nullptr);
    EXPECT_EQ(FindString(Tool::Scrutel, 101), nullptr);
    EXPECT_EQ(FindString(Tool::Mendora, 2204), nullptr);
    EXPECT_EQ(FindString(StringTableView{nullptr, 0}, 1), nullptr);
}

// Texts whose exact bytes matter: full-width and half-width forms that look alike.
TEST(StringTable, ExactBytesOfLookAlikeCharacters) {
    // 147: full-width colon U+FF1A before the count.
    EXPECT_EQ(std::string(FindString(Tool::Mendora, 147)),
              "\xE9\x96\xA2\xE9\x80\xA3\xE3\x81\x99\xE3\x82\x8B\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF"
              "\r\n\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE6\x95\xB0\xEF\xBC\x9A%s\r\n\r\n");
    // The user section header uses a half-width colon.
    EXPECT_NE(std::string(FindString(Tool::Mendora, 118)).find("\xE6\x95\xB0:%s"),
              std::string::npos);

    // The stop-the-service question opens its remark with a half-width "(" and closes it
    // with a full-width "）" (U+FF09), in both tools.
    for (const char* question : {FindString(Tool::Scrutel, 131), FindString(Tool::Mendora, 154)}) {
        ASSERT_NE(question, nullptr);
        const std::string text = question;
        EXPECT_NE(text.find("\r\n"), std::string::npos);
        EXPECT_NE(text.find("\xEF\xBC\x9F(\xE7\xB5\x82"), std::string::npos) << "？( expected";
        EXPECT_EQ(text.substr(text.size() - 6), "\xE3\x80\x82\xEF\xBC\x89") << "。） expected";
        EXPECT_EQ(text.find("\xEF\xBC\x88"), std::string::npos) << "no full-width (";
    }

    // 2203: half-width katakana ｻｰﾊﾞｰ (U+FF7B U+FF70 U+FF8A U+FF9E U+FF70).
    const std::string halfWidth = "\xEF\xBD\xBB\xEF\xBD\xB0\xEF\xBE\x8A\xEF\xBE\x9E\xEF\xBD\xB0";
    EXPECT_NE(std::string(FindString(Tool::Scrutel, 2203)).find(halfWidth), std::string::npos);
    EXPECT_STREQ(FindString(Tool::Scrutel, 2203), FindString(Tool::Mendora, 2203));
    EXPECT_NE(std::string(FindString(Tool::Mendora, 2103)).find(halfWidth), std::string::npos);
}

// The same text under different ids, and the same id with different texts.
TEST(StringTable, IdsThatDifferBetweenTheTools) {
    // User section header: Scrutel 119, Mendora 118.
    EXPECT_STREQ(FindString(Tool::Scrutel, 119), FindString(Tool::Mendora, 118));
    EXPECT_EQ(FindString(Tool::Mendora, 119), nullptr);
    // Scrutel 118 is the document type finding, not a header.
    EXPECT_STRNE(FindString(Tool::Scrutel, 118), FindString(Tool::Mendora, 118));
    EXPECT_STREQ(FindString(Tool::Scrutel, 125), FindString(Tool::Mendora, 2206));

    // Trash suffix: Scrutel 127, Mendora 125; each of those ids means something else in
    // the other tool.
    EXPECT_STREQ(FindString(Tool::Scrutel, 127), u8", ごみ箱に入っています");
    EXPECT_STREQ(FindString(Tool::Mendora, 125), FindString(Tool::Scrutel, 127));
    EXPECT_STRNE(FindString(Tool::Mendora, 127), FindString(Tool::Scrutel, 127));
    EXPECT_STRNE(FindString(Tool::Scrutel, 125), FindString(Tool::Mendora, 125));

    // Start-up texts.
    EXPECT_STREQ(FindString(Tool::Scrutel, 128), FindString(Tool::Mendora, 126));
    EXPECT_STREQ(FindString(Tool::Scrutel, 132), u8"Velmora データチェックツール");
    EXPECT_STREQ(FindString(Tool::Mendora, 153), u8"Velmora データ補正ツール");
    EXPECT_STRNE(FindString(Tool::Scrutel, 131), FindString(Tool::Mendora, 154));

    // Start and end of a cabinet's check: Scrutel 129/130, Mendora 127/128.
    EXPECT_STREQ(FindString(Tool::Scrutel, 129), FindString(Tool::Mendora, 127));
    EXPECT_STREQ(FindString(Tool::Scrutel, 130), FindString(Tool::Mendora, 128));
    EXPECT_STREQ(FindString(Tool::Mendora, 129), u8"補正実行");
}

TEST(StringTable, SharedIdsCarryTheSameTextInBothTools) {
    for (int id : {102, 103, 104, 105, 106,  107,  108,  109,  110,  111,  112,  113,  114, 115,
                   116, 117, 155, 156, 2000, 2001, 2002, 2003, 2011, 2012, 2013, 2014, 2203}) {
        ASSERT_NE(FindString(Tool::Scrutel, id), nullptr) << id;
        EXPECT_STREQ(FindString(Tool::Scrutel, id), FindString(Tool::Mendora, id)) << id;
    }
    EXPECT_STREQ(FindString(Tool::Scrutel, 2001), "Tessaly");
    EXPECT_STREQ(FindString(Tool::Scrutel, 2002), "Corlith");
    EXPECT_STREQ(FindString(Tool::Scrutel, 2003), "Ambrel");
}

} // namespace

// Code names its texts: a name means one text in every table, whatever its number there.
TEST(StringIds, ANameIsOneTextInEveryTable) {
    EXPECT_STREQ(FindString(Tool::Scrutel, ScrutelIds::IDS_TRASH_SUFFIX),
                 FindString(Tool::Mendora, MendoraIds::IDS_TRASH_SUFFIX));
    EXPECT_STREQ(FindString(Tool::Scrutel, ScrutelIds::IDS_USER_SECTION_HEADER),
                 FindString(Tool::Mendora, MendoraIds::IDS_USER_SECTION_HEADER));
    EXPECT_STREQ(FindString(Tool::Mendora, IDS_REFINE), u8"補正実行");
    EXPECT_STREQ(FindString(Tool::Scrutel, IDS_NO_TARGET_SERVER),
                 FindString(Tool::Mendora, IDS_NO_TARGET_SERVER));
}
