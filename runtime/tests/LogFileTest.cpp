#include "LogFile.h"

#include "TempDirectory.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

const LogTime kTime{2026, 3, 7, 9, 5, 2};

TEST(LogLineFormat, ResultLineWithEmptyExtraTexts) {
    EXPECT_EQ(FormatLogLine(kTime, ResultText(LogStatus::Success, "getSydCabList()", "", "", "")),
              "2026/03/07 09:05:02," + Ansi("【Success】") + ",getSydCabList(),,,\r\n");
    EXPECT_EQ(FormatLogLine(kTime, ResultText(LogStatus::Failure, "a", "b", "c", "d")),
              "2026/03/07 09:05:02," + Ansi("【Failure】") + ",a,b,c,d\r\n");
}

TEST(LogLineFormat, ErrorCodeLine) {
    EXPECT_EQ(FormatLogLine(kTime, ErrorCodeText("SqlServerSession.cpp", 120, 0, 0xAB,
                                                 "SQLServer Connect Error.")),
              "2026/03/07 09:05:02,SqlServerSession.cpp,120,00000000,000000AB,SQLServer "
              "Connect Error.\r\n");
    // The reporting site by its file name, not by the build machine's path.
    for (const char* path : {"/build/src/dialog/MainDialog.cpp", "C:\\src\\MainDialog.cpp"})
        EXPECT_EQ(FormatLogLine(kTime, ErrorCodeText(path, 7, 0, 0, "x")),
                  "2026/03/07 09:05:02,MainDialog.cpp,7,00000000,00000000,x\r\n");
}

// One entry is one line, whatever its texts hold.
TEST(LogLineFormat, LineBreaksAndZerosInTextsBecomeBlanks) {
    EXPECT_EQ(FormatLogLine(kTime, ResultText(LogStatus::Failure, "a\r\nb", std::string("c\0d", 3),
                                              "e\nf", "g\rh")),
              "2026/03/07 09:05:02," + Ansi("【Failure】") + ",a  b,c d,e f,g h\r\n");
    EXPECT_EQ(FormatLogLine(kTime, ErrorCodeText("x.cpp", 7, 0, 0, "one\r\ntwo")),
              "2026/03/07 09:05:02,x.cpp,7,00000000,00000000,one  two\r\n");
}

TEST(LogLineFormat, LongLineIsCutButStillEndsTheLine) {
    const std::string line = FormatLogLine(kTime, std::string(2000, 'x'));
    EXPECT_EQ(line.size(), kMaxLogLineBytes);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");

    // A cut never splits a double-byte character: the text of 漢 (8A BF) repeated.
    std::string kanji;
    for (int i = 0; i < 600; ++i)
        kanji += "\x8A\xBF";
    const std::string cut = FormatLogLine(kTime, "x," + kanji);
    ASSERT_LE(cut.size(), kMaxLogLineBytes);
    const std::string body = cut.substr(0, cut.size() - 2);
    const std::size_t kanjiStart = body.find("\x8A\xBF");
    EXPECT_EQ((body.size() - kanjiStart) % 2, 0u);
}

TEST(LogFile, CreatedByTheFirstLineAndAppendedAfter) {
    TempDirectory dir;
    SetLogFileName("Test.log");
    FileLog().Result(LogStatus::Success, "first");
    FileLog().Result(LogStatus::Failure, "second", "2");
    FileLog().ErrorCode("x.cpp", 7, 0, 0, "DataBase Connect Error.");
    // Read while the log still holds the file: every line is there before the call returns.
    const std::string text = dir.Read("Test.log");
    EXPECT_NE(text.find(",first,,,\r\n"), std::string::npos);
    EXPECT_LT(text.find("first"), text.find("second"));
    EXPECT_NE(text.find(",x.cpp,7,00000000,00000000,DataBase Connect Error.\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find(Ansi("【Success】")), 20u); // the first line starts the file
    CloseLogFile();
}

// A result's lines wait in the process until the next line logged otherwise, a Flush, or
// 64 KB of them; they reach the file whole and in their order.
TEST(LogFile, ResultLinesWaitUntilTheNextLineOrFlush) {
    TempDirectory dir;
    SetLogFileName("Test.log");
    FileLog().ResultLater(LogStatus::Failure, "Large", "row 1");
    FileLog().ResultLater(LogStatus::Failure, "Large", "row 2");
    EXPECT_EQ(dir.Read("Test.log").find("row 1"), std::string::npos);
    FileLog().Result(LogStatus::Success, "ended");
    std::string text = dir.Read("Test.log");
    ASSERT_NE(text.find(",Large,row 2,,\r\n"), std::string::npos);
    EXPECT_LT(text.find("row 1"), text.find("row 2"));
    EXPECT_LT(text.find("row 2"), text.find("ended"));

    FileLog().ResultLater(LogStatus::Success, "Large", "row 3");
    FileLog().Flush();
    EXPECT_NE(dir.Read("Test.log").find(",Large,row 3,,\r\n"), std::string::npos);

    const std::string row(200, 'r');
    for (int i = 0; i < 400; ++i) // about 90 KB
        FileLog().ResultLater(LogStatus::Failure, "Large", row);
    text = dir.Read("Test.log");
    EXPECT_GE(text.size(), 64u * 1024u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    FileLog().Flush();
    CloseLogFile();
}

TEST(LogFile, LongLineKeepsItsLineEnd) {
    TempDirectory dir;
    SetLogFileName("Test.log");
    FileLog().Result(LogStatus::Success, "getSydCabList()", std::string(1500, 'q'));
    FileLog().Result(LogStatus::Success, "next");
    const std::string text = dir.Read("Test.log");
    const std::size_t firstEnd = text.find("\r\n");
    EXPECT_EQ(firstEnd, kMaxLogLineBytes - 2);
    EXPECT_EQ(text.find(Ansi("【Success】") + ",next,,,\r\n"), firstEnd + 2 + 20);
    CloseLogFile();
}

TEST(LogFile, FollowsTheCurrentDirectory) {
    TempDirectory first;
    SetLogFileName("Test.log");
    FileLog().Result(LogStatus::Success, "one");
    {
        TempDirectory second;
        FileLog().Result(LogStatus::Success, "two");
        EXPECT_NE(second.Read("Test.log").find("two"), std::string::npos);
        CloseLogFile(); // so that the folder can go
    }
    FileLog().Result(LogStatus::Success, "three");
    const std::string text = first.Read("Test.log");
    EXPECT_EQ(text.find("two"), std::string::npos);
    EXPECT_LT(text.find("one"), text.find("three"));
    CloseLogFile();
}

// A folder in the log's place: the file can be neither opened nor created there.
TEST(LogFile, LineIsLostSilentlyWhereTheLogCannotBeOpened) {
    TempDirectory elsewhere;
    SetLogFileName("Test.log");
    {
        TempDirectory blocked;
        std::filesystem::create_directory(blocked.path() / "Test.log");
        FileLog().Result(LogStatus::Success, "lost");
    }
    FileLog().Result(LogStatus::Success, "kept");
    const std::string text = elsewhere.Read("Test.log");
    EXPECT_EQ(text.find("lost"), std::string::npos);
    EXPECT_NE(text.find("kept"), std::string::npos);
    CloseLogFile();
}

// An elevated append must land in the file the path names: a file with a second name, or
// natively a symbolic link (for a reparse point), is not written to, and the tool is told
// once for that path.
TEST(LogFile, LogThatNamesAnotherFileIsRefusedAndToldOnce) {
    TempDirectory dir;
    std::vector<std::string> told;
    SetLogRefusalHandler([&told](const std::string& text) { told.push_back(text); });
    SetLogFileName("Test.log");
    std::ofstream(dir.path() / "system.ini") << "precious";
    std::filesystem::create_hard_link(dir.path() / "system.ini", dir.path() / "Test.log");
    FileLog().Result(LogStatus::Success, "one");
    FileLog().Result(LogStatus::Success, "two");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Test.log " + Ansi("には書き込みません")), std::string::npos) << told[0];
    EXPECT_NE(told[0].find(Ansi("ハードリンク")), std::string::npos);
#if !defined(_WIN32)
    {
        TempDirectory linked;
        std::filesystem::create_symlink(dir.path() / "system.ini", linked.path() / "Test.log");
        FileLog().Result(LogStatus::Success, "three");
    }
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[1].find(Ansi("再解析ポイント")), std::string::npos);
#endif
    EXPECT_EQ(dir.Read("system.ini"), "precious");
    SetLogRefusalHandler(nullptr);
    CloseLogFile();
}

} // namespace
