// The journal on the disk and its recorded SHA-256: a journal matches its record after every
// section, and after a process that died between any two steps of one, but not after a
// section written in part or any other change.
#include "UndoJournalStore.h"

#include "FakeAppendFile.h"
#include "FakeToolKey.h"
#include "Text.h"

#include <gtest/gtest.h>

namespace {

class JournalStore : public ::testing::Test {
protected:
    FakeToolKey key;
    FakeAppendFile* file = nullptr;
    std::unique_ptr<CUndoJournalFile> journal;
    const std::string path = Ansi("C:\\Undo\\Mendora-undo-表-20261209-140251");

    void SetUp() override {
        auto made = std::make_unique<FakeAppendFile>(path);
        file = made.get();
        journal = std::make_unique<CUndoJournalFile>(std::move(made), key);
    }
    JournalHashCheck Check(std::string_view bytes) const {
        return CheckUndoJournalHash(key, path, bytes);
    }
};

TEST_F(JournalStore, EverySectionIsRecordedUnderTheFileName) {
    std::string why;
    ASSERT_EQ(journal->Append("header\n", why), Outcome::Done);
    ASSERT_EQ(journal->Append("users\n", why), Outcome::Done);
    EXPECT_EQ(file->bytes, "header\nusers\n");
    EXPECT_EQ(key.subkeyTexts.at({"UndoJournals", Ansi("Mendora-undo-表-20261209-140251")}),
              Sha256Hex("header\nusers\n"));
    EXPECT_EQ(Check(file->bytes), JournalHashCheck::Matches);
    EXPECT_EQ(Check("header\nusers\n\n"), JournalHashCheck::Differs);
    EXPECT_EQ(Check("header\n"), JournalHashCheck::Differs);
    EXPECT_EQ(CheckUndoJournalHash(key, "Mendora-undo-other", file->bytes),
              JournalHashCheck::NotRecorded);
}

TEST_F(JournalStore, ADeathBetweenTheStepsLeavesAJournalThatMatches) {
    std::string why;
    ASSERT_EQ(journal->Append("header\n", why), Outcome::Done);
    file->failAppends = true; // half of the section reaches the disk
    EXPECT_EQ(journal->Append("users\n", why), Outcome::Failed);
    EXPECT_EQ(why, "disk full");
    EXPECT_EQ(Check(file->bytes), JournalHashCheck::Differs);
    // died before the section was written, or after it was flushed
    EXPECT_EQ(Check("header\n"), JournalHashCheck::Matches);
    EXPECT_EQ(Check("header\nusers\n"), JournalHashCheck::Matches);
}

TEST_F(JournalStore, NothingIsWrittenWithoutItsRecord) {
    key.refuseWrites = true;
    std::string why;
    EXPECT_EQ(journal->Append("header\n", why), Outcome::Failed);
    EXPECT_NE(why.find("SHA-256"), std::string::npos);
    EXPECT_EQ(file->bytes, "");
}

TEST_F(JournalStore, ARecordThatIsNotOneMatchesNothing) {
    const std::string name = Ansi("Mendora-undo-表-20261209-140251");
    const std::string hash = Sha256Hex("x");
    for (const std::string& recorded :
         {std::string("zz"), hash + " ", hash + " " + hash + " " + hash, " " + hash,
          std::string(64, 'A')}) {
        key.subkeyTexts[{"UndoJournals", name}] = recorded;
        EXPECT_EQ(Check("x"), JournalHashCheck::Differs) << recorded;
    }
    key.subkeyTexts[{"UndoJournals", name}] = Sha256Hex("y") + " " + hash;
    EXPECT_EQ(Check("x"), JournalHashCheck::Matches);
}

TEST(JournalFileName, IsTheLastPartOfAPathWithDoubleByteCharactersWhole) {
    EXPECT_EQ(FileNameOf(Ansi("D:\\記録\\Mendora-undo-表-1")), Ansi("Mendora-undo-表-1"));
    EXPECT_EQ(FileNameOf(Ansi("Mendora-undo-表")), Ansi("Mendora-undo-表"));
    EXPECT_EQ(FileNameOf("/tmp/x/Mendora-undo-a"), "Mendora-undo-a");
    EXPECT_EQ(FileNameOf("C:\\dir/"), "");
}

} // namespace
