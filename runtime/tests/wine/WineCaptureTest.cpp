// Child process capture with real Windows children: the probe program and the interpreter.
#include "ChildProcessCapture.h"
#include "LogFile.h"
#include "SqliQuery.h"

#include "WineSupport.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace wine_test;

namespace {

std::string Probe(const std::string& arguments) {
    return "\"" + ProgramFolder() + "\\childprobe.exe\" " + arguments;
}

std::string Capture(const std::string& commandLine, bool* ok = nullptr,
                    std::size_t size = kSqliOutputBufferBytes) {
    CChildProcessCapture capture;
    const char* text = capture.AllocateBuffer(size);
    capture.Start(commandLine, true);
    const bool read = capture.ReadOutput(true);
    if (ok)
        *ok = read;
    return text ? text : "";
}

TEST(WineCapture, MissingProgramGivesAnEmptyText) {
    CChildProcessCapture capture;
    capture.AllocateBuffer(100);
    EXPECT_FALSE(capture.Start("\"C:\\no\\such\\sqli.exe\" /inprocess", true));
    EXPECT_TRUE(capture.ReadOutput(true));
    EXPECT_STREQ(capture.Buffer(), "");
    EXPECT_FALSE(capture.ReadOutput(false)); // standard error went into standard output
}

TEST(WineCapture, MoreThanAPipeHoldsIsReadWholeAndStderrIsMerged) {
    bool ok = false;
    const std::string text = Capture(Probe("--bytes 70000 --stderr END"), &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(text.size(), 70003u);
    EXPECT_EQ(text.substr(0, 3), "abc");
    EXPECT_EQ(text.substr(70000), "END");
}

TEST(WineCapture, TextIsCutAtTheBufferLessOne) {
    bool ok = false;
    EXPECT_EQ(Capture(Probe("--bytes 70000"), &ok, 1001).size(), 1000u);
    EXPECT_TRUE(ok);
}

TEST(WineCapture, ChildRunningLongerThanFiveSecondsIsReadToTheEnd) {
    bool ok = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Capture(Probe("--bytes 10 --sleep-ms 5500 --bytes 5"), &ok), "abcdefghijabcde");
    EXPECT_TRUE(ok);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5400));
}

TEST(WineCapture, GuardEndsAChildThatNeverEnds) {
    const std::string logName = "WineCapture.log";
    SetLogFileName(logName);
    DeleteFileA(logName.c_str());
    CChildProcessCapture capture;
    capture.SetGuard(std::chrono::milliseconds(1500));
    capture.AllocateBuffer(100);
    ASSERT_TRUE(capture.Start(Probe("--forever"), true));
    EXPECT_FALSE(capture.ReadOutput(true));
    EXPECT_STREQ(capture.Buffer(), "partial");
    EXPECT_NE(ReadWholeFile(logName).find("did not end in time"), std::string::npos);
}

TEST(WineCapture, InterpreterOfTheDemoInstallation) {
    std::string output;
    ASSERT_EQ(RunSqliQuery(512, "select SN from MasterDocType order by SN", output,
                           SystemRegistry(), FileLog()),
              kSqliOk);
    const CTokenList lines = SplitLines(output);
    ASSERT_GE(lines.Count(), 2u);
    EXPECT_STREQ(lines.At(0), "SN"); // generation 5 prints a header
    EXPECT_FALSE(IsInterpreterError(lines.At(0)));

    ASSERT_EQ(RunSqliQuery(512, "select x from NoSuchTable", output, SystemRegistry(), FileLog()),
              kSqliOk);
    EXPECT_TRUE(IsInterpreterError(SplitLines(output).At(0)));
}

TEST(WineCapture, MissingInstallFolderGivesAnEmptyOutput) {
    ScopedRegistryValue v(kInstallKey, "InstallDir", REG_SZ, "C:\\nowhere", 11);
    std::string output = "stale";
    EXPECT_EQ(RunSqliQuery(512, "select 1", output, SystemRegistry(), FileLog()), kSqliOk);
    EXPECT_EQ(output, "");
}

} // namespace
