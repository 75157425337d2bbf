// The log file appended by two processes at once, in code page 932. (The cases of
// LogFileTest.cpp run on this writer as well.)
#include "LogFile.h"
#include "TokenList.h"

#include "WineSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wine_test;

namespace {

HANDLE StartProbe(const std::string& arguments) {
    std::string commandLine = "\"" + ProgramFolder() + "\\childprobe.exe\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

TEST(WineLogFile, TwoProcessesAppendWholeLines) {
    const std::string name = "WineTwoWriters.log";
    DeleteFileA(name.c_str());
    const int count = 20000; // enough for the two writers to overlap
    HANDLE a = StartProbe("--log " + name + " " + std::to_string(count) + " A");
    HANDLE b = StartProbe("--log " + name + " " + std::to_string(count) + " B");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    WaitForSingleObject(a, 60000);
    WaitForSingleObject(b, 60000);
    CloseHandle(a);
    CloseHandle(b);

    const std::string text = ReadWholeFile(name);
    const CTokenList lines = SplitBySeparator(text, "\r\n");
    ASSERT_EQ(lines.Count(), 2u * count + 1); // the last field follows the last CR LF
    int fromA = 0, fromB = 0;
    const std::string expectedTail = "," + Ansi("表示") + ",,";
    for (std::size_t i = 0; i + 1 < lines.Count(); ++i) {
        const std::string line = lines.At(i);
        ASSERT_EQ(line.find(Ansi("【Success】")), 20u) << line;
        ASSERT_EQ(line.substr(line.size() - expectedTail.size()), expectedTail) << line;
        fromA += line.find(Ansi("ログ試験") + " A ") != std::string::npos;
        fromB += line.find(Ansi("ログ試験") + " B ") != std::string::npos;
    }
    EXPECT_EQ(fromA, count);
    EXPECT_EQ(fromB, count);
    // Code page 932 on disk: ログ = 83 8D 83 4F.
    EXPECT_NE(text.find("\x83\x8D\x83\x4F"), std::string::npos);
}

} // namespace
