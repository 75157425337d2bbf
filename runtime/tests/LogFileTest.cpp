#include "LogFile.h"

#include "TempDirectory.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    const std::string text = dir.Read("Test.log");
    EXPECT_NE(text.find(",first,,,\r\n"), std::string::npos);
    EXPECT_LT(text.find("first"), text.find("second"));
    EXPECT_NE(text.find(",x.cpp,7,00000000,00000000,DataBase Connect Error.\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find(Ansi("【Success】")), 20u); // the first line starts the file
}

TEST(LogFile, FollowsTheCurrentDirectoryAndSurvivesAnUnwritableOne) {
    TempDirectory first;
    SetLogFileName("Test.log");
    FileLog().Result(LogStatus::Success, "one");
    {
        TempDirectory second;
        FileLog().Result(LogStatus::Success, "two");
        EXPECT_NE(second.Read("Test.log").find("two"), std::string::npos);
        if (geteuid() != 0) { // root writes anywhere
            chmod(second.path().c_str(), 0500);
            FileLog().Result(LogStatus::Success, "lost"); // silently dropped
            chmod(second.path().c_str(), 0700);
            EXPECT_EQ(second.Read("Test.log").find("lost"), std::string::npos);
        }
    }
    EXPECT_EQ(first.Read("Test.log").find("two"), std::string::npos);
}

} // namespace
