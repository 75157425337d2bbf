// Files written whole in one step, and targets refused that would send the write elsewhere.
// Natively a symbolic link stands for a reparse point (Wine cannot make reparse points);
// the other cases run under Wine as well.
#include "FileTarget.h"

#include "TempDirectory.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::size_t Entries(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(ReplaceFileContents, ReplacesTheWholeFileAndLeavesNothingElse) {
    TempDirectory dir;
    Write(dir.path() / "report.txt", "the last run's report, longer than the new one");
    std::string why;
    ASSERT_EQ(ReplaceFileContents("report.txt", "new", why), Outcome::Done) << why;
    EXPECT_EQ(dir.Read("report.txt"), "new");
    ASSERT_EQ(ReplaceFileContents("new.txt", "first", why), Outcome::Done) << why;
    EXPECT_EQ(dir.Read("new.txt"), "first");
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(ReplaceFileContents, AFailedMoveLeavesTheOldOneAndNoNewFile) {
    TempDirectory dir;
    fs::create_directory(dir.path() / "report.txt"); // nothing can be moved over it
    Write(dir.path() / "report.txt" / "inside", "old");
    std::string why;
    EXPECT_EQ(ReplaceFileContents("report.txt", "new", why), Outcome::Failed);
    EXPECT_NE(why.find(Ansi("置き換えに失敗しました")), std::string::npos) << why;
    EXPECT_EQ(dir.Read("report.txt/inside"), "old");
    EXPECT_EQ(Entries(dir.path()), 1u);
}

TEST(ReplaceFileContents, RefusesATargetThatNamesAnotherFile) {
    TempDirectory dir;
    Write(dir.path() / "system.ini", "precious");
    fs::create_hard_link(dir.path() / "system.ini", dir.path() / "linked.txt");
    std::string why;
    EXPECT_EQ(ReplaceFileContents("linked.txt", "new", why), Outcome::Failed);
    EXPECT_NE(why.find(Ansi("ハードリンク")), std::string::npos) << why;
#if !defined(_WIN32)
    fs::create_symlink(dir.path() / "system.ini", dir.path() / "symlink.txt");
    EXPECT_EQ(ReplaceFileContents("symlink.txt", "new", why), Outcome::Failed);
    EXPECT_NE(why.find(Ansi("再解析ポイント")), std::string::npos) << why;
    fs::create_directory_symlink(dir.path(), dir.path() / "junction");
    EXPECT_EQ(ReplaceFileContents("junction/fresh.txt", "new", why), Outcome::Failed);
    EXPECT_NE(why.find(Ansi("フォルダー")), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(dir.path() / "fresh.txt"));
#endif
    EXPECT_EQ(dir.Read("system.ini"), "precious");
}

} // namespace
