// The folder only administrators may write and its files, with Windows' own calls. Wine keeps no
// descriptor of its own for a file: it derives one from the Unix permissions, with the Wine user as
// the owner (the owner and access list judgements are tested natively, AdminFolderTest.cpp). Nor
// does it keep an open folder from being renamed, as Windows does (tried): not tested here.
#include "AdminFolder.h"

#include "TempDirectory.h"
#include "Text.h"
#include "WineSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(WineAdminFolder, IsMadeOnceHeldOpenAndItsFilesAppendedTo) {
    TempDirectory dir;
    std::string why;
    auto folder = OpenAdminFolder("undo", why);
    ASSERT_NE(folder, nullptr) << Utf8FromAnsi(why);
    const std::string full = folder->Path();
    EXPECT_EQ(full.substr(full.size() - 5), "\\undo");
    const std::string name = Ansi("Mendora-undo-営業部-20261209-140251");
    auto file = folder->NewFile(name, why);
    ASSERT_NE(file, nullptr) << Utf8FromAnsi(why);
    EXPECT_EQ(file->Path(), full + "\\" + name);
    ASSERT_EQ(file->Append("one\n", why), Outcome::Done);
    ASSERT_EQ(file->Append("two\n", why), Outcome::Done);
    EXPECT_EQ(wine_test::ReadWholeFile(file->Path()), "one\ntwo\n");
    EXPECT_EQ(folder->NewFile(name, why), nullptr);
    EXPECT_EQ(folder->NewFile("x:stream", why), nullptr);
    folder.reset();
    file.reset();
    EXPECT_EQ(wine_test::ReadWholeFile(full + "\\" + name), "one\ntwo\n");
    EXPECT_NE(OpenAdminFolder(full, why), nullptr) << Utf8FromAnsi(why); // made by this tool
}

TEST(WineAdminFolder, RefusesAFileAndAFolderEveryoneMayWrite) {
    TempDirectory dir;
    CloseHandle(CreateFileA("plain", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    std::string why;
    EXPECT_EQ(OpenAdminFolder("plain", why), nullptr);
    EXPECT_EQ(why, FolderRefusalText(FolderRefusal::NotAFolder));
    // Wine grants no one else writing on what it creates, whatever the descriptor asks for:
    // the host's /tmp (mode 1777) lets everyone write.
    EXPECT_EQ(OpenAdminFolder("Z:\\tmp", why), nullptr);
    EXPECT_EQ(why, FolderRefusalText(FolderRefusal::OthersMayWrite));
}

} // namespace
