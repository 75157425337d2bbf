// The folder only administrators may write, natively: a symbolic link stands for a reparse
// point, root or the tests' own user for the trusted owners, and the group's or others'
// write permission for an access list that lets someone else in. The judgement of a Windows
// access list and of file names is portable and tested here too.
#include "AdminFolder.h"

#include "TempDirectory.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Refusal(const std::string& path) {
    std::string why;
    EXPECT_EQ(OpenAdminFolder(path, why), nullptr) << path;
    return Utf8FromAnsi(why);
}

TEST(AdminFolder, IsMadeForItsOwnerAloneAndItsFilesAppendedTo) {
    TempDirectory dir;
    std::string why;
    auto folder = OpenAdminFolder("undo", why);
    ASSERT_NE(folder, nullptr) << Utf8FromAnsi(why);
    EXPECT_EQ(fs::status(dir.path() / "undo").permissions(), fs::perms::owner_all);
    EXPECT_EQ(folder->Path(), (fs::canonical(dir.path()) / "undo").string());
    auto file = folder->NewFile("journal", why);
    ASSERT_NE(file, nullptr) << Utf8FromAnsi(why);
    EXPECT_EQ(file->Path(), folder->Path() + "/journal");
    ASSERT_EQ(file->Append("one\n", why), Outcome::Done);
    ASSERT_EQ(file->Append("two\n", why), Outcome::Done);
    EXPECT_EQ(dir.Read("undo/journal"), "one\ntwo\n");
    EXPECT_EQ(folder->NewFile("journal", why), nullptr); // never one that is there
    EXPECT_EQ(dir.Read("undo/journal"), "one\ntwo\n");
    folder.reset();
    EXPECT_NE(OpenAdminFolder((dir.path() / "undo/").string(), why), nullptr) << Utf8FromAnsi(why);
}

TEST(AdminFolder, RefusesWhatIsNotAFolderOnlyItsOwnerMayWrite) {
    TempDirectory dir;
    std::ofstream("plain") << "x";
    EXPECT_NE(Refusal("plain").find("フォルダーではありません"), std::string::npos);
    fs::create_directory("elsewhere");
    fs::permissions("elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(dir.path() / "elsewhere", "linked");
    EXPECT_NE(Refusal("linked").find("再解析ポイント"), std::string::npos);
    EXPECT_NE(Refusal("plain/inside").find("フォルダーの作成に失敗"), std::string::npos);
    fs::create_directory("shared");
    fs::permissions("shared", fs::perms::owner_all | fs::perms::group_write);
    EXPECT_NE(Refusal("shared").find("書き込みを許す"), std::string::npos);
    fs::permissions("shared", fs::perms::owner_all | fs::perms::others_write);
    EXPECT_NE(Refusal("shared").find("書き込みを許す"), std::string::npos);
    fs::create_directory("theirs");
    fs::permissions("theirs", fs::perms::owner_all);
    if (geteuid() == 0 && chown("theirs", 4242, 4242) == 0) { // only root may give it away
        EXPECT_NE(Refusal("theirs").find("所有するフォルダー"), std::string::npos);
    }
    std::string why;
    EXPECT_NE(OpenAdminFolder("elsewhere", why), nullptr);
}

TEST(AdminFolder, NewFilesTakePlainNamesOnly) {
    TempDirectory dir;
    std::string why;
    auto folder = OpenAdminFolder("undo", why);
    ASSERT_NE(folder, nullptr);
    for (const std::string name : {"", ".", "..", "../x", "a\\b", "a/b", "C:x", "x:stream", "a*",
                                   "a?", "a\"", "a<", "a>", "a|", "tab\t", "end.", "end "})
        EXPECT_EQ(folder->NewFile(name, why), nullptr) << name;
    EXPECT_TRUE(fs::is_empty(dir.path() / "undo"));
    EXPECT_FALSE(fs::exists(dir.path() / "x"));
    EXPECT_TRUE(IsPlainFileName(Ansi("Mendora-undo-表-20261209-140251"))); // 表: 0x95 0x5C
    EXPECT_TRUE(IsPlainFileName("Mendora-undo-we]ird.db-20261209-140251"));
}

TEST(AdminFolderAccessList, OnlyTheTrustedMayWrite) {
    const std::vector<std::string> own = {"S-1-5-21-1-2-3-500"};
    const auto others = [&](std::vector<AccessEntry> entries) {
        return OthersMayWrite(entries, own);
    };
    EXPECT_FALSE(others({{"S-1-5-32-544", 0x1F01FF},
                         {"S-1-5-18", 0x1F01FF},
                         {"S-1-3-0", 0x10000000},
                         {"S-1-5-21-1-2-3-500", 0x1F01FF}}));
    EXPECT_FALSE(others({{"S-1-1-0", 0x1200A9}, {"S-1-5-32-545", 0x1200A9}})); // read, list
    EXPECT_TRUE(others({{"S-1-5-32-545", 0x0002}}));            // Users: create files
    EXPECT_TRUE(others({{"S-1-5-11", 0x0004}}));                // Authenticated Users: folders
    EXPECT_TRUE(others({{"S-1-1-0", 0x00010000}}));             // Everyone: delete
    EXPECT_TRUE(others({{"S-1-1-0", 0x00040000}}));             // change the access list
    EXPECT_TRUE(others({{"S-1-5-21-1-2-3-1001", 0x40000000}})); // generic write
    EXPECT_TRUE(others({{"S-1-5-21-1-2-3-1001", 0x10000000}})); // generic all
    EXPECT_TRUE(others({{"", 0xFFFFFFFF}}));                    // an entry that could not be read
    EXPECT_TRUE(OthersMayWrite({{"S-1-5-21-1-2-3-500", 0x0002}}, {}));
}

} // namespace
