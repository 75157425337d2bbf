// Checks the interpreter stand-in's output grammar by running sqli.exe (next to this
// program) as a child, exactly as the tools do, on a database this program prepares itself
// under two registry keys of its own: one per generation.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>
#include <windows.h>

namespace {

struct Result {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out; // raw bytes, ANSI code page
};

std::wstring exeDir() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

// Starts `commandLine` hidden with its stdout on a pipe and collects everything it writes.
Result runHidden(std::wstring commandLine) {
    Result result;
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                                        CREATE_NEW_CONSOLE, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            result.out.append(buffer, got);
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    return result;
}

std::vector<std::string> lines(const std::string& out) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find("\r\n", start);
        if (end == std::string::npos) {
            result.push_back(out.substr(start) + "<no CR LF>");
            break;
        }
        result.push_back(out.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

class Sqli : public ::testing::Test {
protected:
    // Per process (ctest runs each case on its own, possibly in parallel).
    static std::wstring root_;    // HKLM\SOFTWARE\VelmoraTestbed\<pid>
    static std::wstring dataDir_; // holds a backslash trail byte in CP932 (表)
    static std::wstring gen5Key_;
    static std::wstring gen4Key_;

    static void SetUpTestSuite() {
        const std::wstring pid = std::to_wstring(GetCurrentProcessId());
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dataDir_ = std::wstring(temp) + L"sqli-tests-" + pid + L"-\u8868";
        CreateDirectoryW(dataDir_.c_str(), nullptr);
        // An empty file is an empty SQLite database; sqli itself never creates one.
        HANDLE f = CreateFileW((dataDir_ + L"\\Test.sqlite").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(f);

        root_ = L"SOFTWARE\\VelmoraTestbed\\" + pid;
        gen5Key_ = root_ + L"\\Zeph5\\Tarn-D1";
        gen4Key_ = root_ + L"\\Zeph4\\Tarn-G1";
        for (const std::wstring& sub : {gen5Key_, gen4Key_}) {
            HKEY key = nullptr;
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
            RegSetValueExW(key, L"DataDir", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(dataDir_.c_str()),
                           static_cast<DWORD>((dataDir_.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        for (const wchar_t* sql : {L"create table T(SN integer, Name text, Note text)",
                                   L"insert into T values (1, 'alpha', 'a,b{c}'), (2, NULL, ''), "
                                   L"(3, '\u55b6\u696d\u90e8\u8868', 'x')"}) {
            const Result r = sqli(gen5Key_, L"Test", sql);
            ASSERT_EQ(0u, r.exitCode) << r.out;
        }
    }

    static void TearDownTestSuite() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, root_.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VelmoraTestbed"); // only if now empty
        DeleteFileW((dataDir_ + L"\\Test.sqlite").c_str());
        RemoveDirectoryW(dataDir_.c_str());
    }

    static Result sqli(const std::wstring& subKey, const std::wstring& database,
                       const std::wstring& sql) {
        return runHidden(L"\"" + exeDir() + L"\\sqli.exe\" /inprocess /reg \"HKEY_LOCAL_MACHINE\\" +
                         subKey + L"\" /database " + database + L" /sql \"" + sql + L"\"");
    }
};

std::wstring Sqli::root_;
std::wstring Sqli::dataDir_;
std::wstring Sqli::gen5Key_;
std::wstring Sqli::gen4Key_;

TEST_F(Sqli, RowsComeWithHeaderOnFifthGenerationOnly) {
    const wchar_t* sql = L"select SN, Name, Note from T where SN < 3 order by SN";
    const Result gen5 = sqli(gen5Key_, L"Test", sql);
    EXPECT_EQ(0u, gen5.exitCode);
    EXPECT_EQ("SN,Name,Note\r\n1,alpha,a,b{c}\r\n2,{},{}\r\n", gen5.out);

    const Result gen4 = sqli(gen4Key_, L"Test", sql);
    EXPECT_EQ(0u, gen4.exitCode);
    EXPECT_EQ("1,alpha,a,b{c}\r\n2,{},{}\r\n", gen4.out);

    // No rows: the header alone, or nothing at all.
    EXPECT_EQ("SN\r\n", sqli(gen5Key_, L"Test", L"select SN from T where 0").out);
    EXPECT_EQ("", sqli(gen4Key_, L"Test", L"select SN from T where 0").out);
}

TEST_F(Sqli, JapaneseTextIsWrittenInTheAnsiCodePage) {
    ASSERT_EQ(932u, GetACP()) << "run with LANG=ja_JP.UTF-8";
    const Result r = sqli(gen4Key_, L"Test", L"select Name from T where Name like '\u55b6%'");
    EXPECT_EQ(0u, r.exitCode);
    // 営業部表 in CP932; 表 ends in 0x5C.
    EXPECT_EQ(std::string("\x89\x63\x8B\xC6\x95\x94\x95\x5C\r\n"), r.out);

    // Error messages and the echoed statement are converted the same way.
    const Result e = sqli(gen4Key_, L"Test", L"select * from \u8868");
    EXPECT_EQ(1u, e.exitCode);
    EXPECT_EQ("[ERROR] 1 no such table: \x95\x5C\r\nSQL: select * from \x95\x5C\r\n", e.out);
}

TEST_F(Sqli, StatementWithoutColumnsGivesTwoLines) {
    const Result r = sqli(gen5Key_, L"Test", L"update T set Note = Note where SN >= 2");
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ("Statement executed.\r\n2 row(s) affected.\r\n", r.out);

    const Result none = sqli(gen4Key_, L"Test", L"delete from T where SN = 99");
    EXPECT_EQ("Statement executed.\r\n0 row(s) affected.\r\n", none.out);
}

TEST_F(Sqli, ErrorsComeFirstWithCodeAndStatement) {
    const Result table = sqli(gen5Key_, L"Test", L"select * from Nope");
    EXPECT_EQ(1u, table.exitCode);
    EXPECT_EQ("[ERROR] 1 no such table: Nope\r\nSQL: select * from Nope\r\n", table.out);

    const Result two = sqli(gen5Key_, L"Test", L"select 1; select 2");
    EXPECT_EQ(1u, two.exitCode);
    EXPECT_EQ(0u, two.out.rfind("[ERROR] ", 0)) << two.out;

    // Trailing semicolons and comments are not a second statement.
    EXPECT_EQ("1\r\n", sqli(gen4Key_, L"Test", L"select 1; ; -- done").out);

    // A failure while stepping (after rows were produced) still leads with the error.
    const Result midway =
        sqli(gen5Key_, L"Test", L"select SN, abs(-9223372036854775806 - SN) from T order by SN");
    EXPECT_EQ(1u, midway.exitCode);
    EXPECT_EQ(0u, midway.out.rfind("[ERROR] ", 0)) << midway.out;
}

TEST_F(Sqli, MissingKeyValueOrDatabaseIsAnError) {
    const Result db = sqli(gen5Key_, L"Absent", L"select 1");
    EXPECT_EQ(1u, db.exitCode);
    EXPECT_NE(std::string::npos, lines(db.out).at(0).find("database Absent not found")) << db.out;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dataDir_ + L"\\Absent.sqlite").c_str()));

    const Result key = sqli(root_ + L"\\Zeph5\\Nowhere", L"Test", L"select 1");
    EXPECT_EQ(1u, key.exitCode);
    EXPECT_EQ(0u, key.out.rfind("[ERROR] ", 0)) << key.out;

    const Result value = sqli(root_ + L"\\Zeph5", L"Test", L"select 1"); // no DataDir there
    EXPECT_EQ(1u, value.exitCode);
    EXPECT_EQ(0u, value.out.rfind("[ERROR] ", 0)) << value.out;
}

TEST_F(Sqli, OtherCommandLinesGetUsage) {
    const std::wstring exe = L"\"" + exeDir() + L"\\sqli.exe\"";
    for (const std::wstring& tail :
         {std::wstring(), L" /inprocess /reg \"HKEY_LOCAL_MACHINE\\" + gen5Key_ + L"\"",
          L" /reg \"HKEY_LOCAL_MACHINE\\" + gen5Key_ + L"\" /inprocess /database Test /sql x",
          L" /inprocess /reg \"HKEY_LOCAL_MACHINE\\" + gen5Key_ +
              L"\" /database Test /sql \"select 1\" extra"}) {
        const Result r = runHidden(exe + tail);
        EXPECT_EQ(2u, r.exitCode) << r.out;
        EXPECT_EQ(0u, r.out.rfind("[ERROR] usage: ", 0)) << r.out;
    }
}

TEST_F(Sqli, LargeOutputIsFast) {
    // About 5 MB of rows.
    const std::wstring rows = L"with recursive c(x) as (select 1 union all select x + 1 from c "
                              L"where x < 80000) select x, printf('%060d', x) from c";
    const auto start = std::chrono::steady_clock::now();
    const Result r = sqli(gen4Key_, L"Test", rows);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_GT(r.out.size(), 5'000'000u);
    EXPECT_EQ(0u,
              r.out.rfind("1,000000000000000000000000000000000000000000000000000000000001\r\n", 0));
    // Generous: Wine's process start alone can take most of a second when cold.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 5000);
}

} // namespace
