#include "ChildProcessCapture.h"

#include "LogFile.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

std::string Capture(const std::string& commandLine, std::size_t size = 5000000,
                    bool* readOk = nullptr) {
    CChildProcessCapture capture;
    const char* text = capture.AllocateBuffer(size);
    capture.Start(commandLine, true);
    const bool ok = capture.ReadOutput(true);
    if (readOk)
        *readOk = ok;
    return text ? std::string(text) : std::string();
}

TEST(ChildCapture, ReadsStdoutAndMergedStderr) {
    EXPECT_EQ(Capture("/bin/sh -c \"printf 'a\\r\\nb'; printf e >&2\""), "a\r\nbe");
}

TEST(ChildCapture, NoOutputAndMissingProgramGiveEmptyText) {
    bool ok = false;
    EXPECT_EQ(Capture("/bin/true", 100, &ok), "");
    EXPECT_TRUE(ok);

    CChildProcessCapture capture;
    capture.AllocateBuffer(100);
    EXPECT_FALSE(capture.Start("\"/no/such/dir/sqli.exe\" /inprocess", true));
    EXPECT_TRUE(capture.ReadOutput(true));
    EXPECT_STREQ(capture.Buffer(), "");
    EXPECT_FALSE(capture.ReadOutput(false)); // standard error was merged
}

// The tool's current folder may be one other users write to: a child never starts there.
TEST(ChildCapture, ChildRunsInItsProgramsFolder) {
    TempDirectory dir;
    EXPECT_EQ(Capture("/bin/pwd"), std::filesystem::canonical("/bin").string() + "\n");
    CChildProcessCapture capture;
    capture.AllocateBuffer(100);
    EXPECT_FALSE(capture.Start("pwd", true));
    EXPECT_EQ(CChildProcessCapture::ProgramFolder("\"C:\\Velmora\\Zeph5\\sqli.exe\" /inprocess"),
              "C:\\Velmora\\Zeph5\\");
    // A program named 表 (95 5C), whose second byte is the code of a backslash.
    EXPECT_EQ(CChildProcessCapture::ProgramFolder("\"C:\\\x95\x5C\" /x"), "C:\\");
    EXPECT_EQ(CChildProcessCapture::ProgramFolder("\"sqli.exe\" \\x"), "");
}

TEST(ChildCapture, KeepsExactlyTheFirstSizeMinusOneBytes) {
    bool ok = false;
    const std::string text = Capture("/bin/sh -c \"yes 0123456789 | head -c 200000\"", 70001, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(text.size(), 70000u);
    EXPECT_EQ(text.substr(0, 11), "0123456789\n");
}

TEST(ChildCapture, OutputLargerThanAPipeIsReadWhole) {
    const std::string text = Capture("/bin/sh -c \"yes abcdefghi | head -c 1000000\"");
    EXPECT_EQ(text.size(), 1000000u);
}

TEST(ChildCapture, BufferEdgeCases) {
    CChildProcessCapture capture;
    EXPECT_EQ(capture.AllocateBuffer(0), nullptr);
    capture.Start("/bin/echo hi", true);
    EXPECT_FALSE(capture.ReadOutput(true)); // no buffer
    ASSERT_NE(capture.AllocateBuffer(1), nullptr);
    EXPECT_TRUE(capture.ReadOutput(true));
    EXPECT_STREQ(capture.Buffer(), "");
}

TEST(ChildCapture, GuardEndsAChildThatNeverEndsAndKeepsWhatWasRead) {
    TempDirectory dir;
    SetLogFileName("Capture.log");
    CChildProcessCapture capture;
    capture.SetGuard(std::chrono::milliseconds(300));
    capture.AllocateBuffer(1000);
    const auto start = std::chrono::steady_clock::now();
    capture.Start("/bin/sh -c \"printf partial; exec sleep 60\"", true);
    EXPECT_FALSE(capture.ReadOutput(true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_STREQ(capture.Buffer(), "partial");
    EXPECT_NE(dir.Read("Capture.log").find("did not end in time"), std::string::npos);
}

} // namespace
