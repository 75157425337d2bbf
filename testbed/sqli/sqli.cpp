// sqli: the server's command-line interpreter as the tools run it.
//
//   sqli.exe /inprocess /reg "HKEY_LOCAL_MACHINE\<key>" /database NAME /sql "STATEMENT"
//
// The key's DataDir value names the folder holding NAME.sqlite. One statement is run and its
// result written to stdout in the ANSI code page, lines ended by CR LF:
//   - rows: one line per row, values joined by ',', NULL and empty written as {}; on the
//     fifth generation (the key path holds \Zeph5\) a header line of column names first;
//   - other statements: "Statement executed." and "N row(s) affected.";
//   - errors: "[ERROR] <code> <message>" then "SQL: <statement>", exit code 1.
// Values are written as they are, without quoting: the readers know the layout.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <string>
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

std::string toUtf8(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int inLength = static_cast<int>(wide.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, &out[0], n, nullptr, nullptr);
    return out;
}

// UTF-8 -> UTF-16 -> ANSI code page; characters the code page lacks become its default.
std::string utf8ToAnsi(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int inLength = static_cast<int>(utf8.size());
    const int wn = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (wn <= 0)
        return utf8;
    std::wstring wide(static_cast<std::size_t>(wn), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, &wide[0], wn);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wn, &out[0], n, nullptr, nullptr);
    return out;
}

// All output is gathered as UTF-8 and converted and written once at the end, so that an
// error met halfway through the rows still comes out as the first line.
void emit(const std::string& utf8) {
    const std::string ansi = utf8ToAnsi(utf8);
    std::fwrite(ansi.data(), 1, ansi.size(), stdout);
    std::fflush(stdout);
}

int fail(int code, const std::string& message, const std::wstring& statement) {
    emit("[ERROR] " + std::to_string(code) + " " + message + "\r\nSQL: " + toUtf8(statement) +
         "\r\n");
    return kExitError;
}

bool equalsIgnoreCase(const std::wstring& a, const wchar_t* b) {
    return _wcsicmp(a.c_str(), b) == 0;
}

bool startsWithIgnoreCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           _wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

bool isFifthGeneration(const std::wstring& keyPath) {
    std::wstring lower = keyPath;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    return lower.find(L"\\zeph5\\") != std::wstring::npos;
}

struct Arguments {
    std::wstring keyPath;
    std::wstring database;
    std::wstring statement;
};

bool parseArguments(Arguments& args) {
    int argc = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &argc),
                                                       &LocalFree);
    if (!argv || argc != 8)
        return false;
    wchar_t** a = argv.get();
    if (!equalsIgnoreCase(a[1], L"/inprocess") || !equalsIgnoreCase(a[2], L"/reg") ||
        !equalsIgnoreCase(a[4], L"/database") || !equalsIgnoreCase(a[6], L"/sql"))
        return false;
    args.keyPath = a[3];
    args.database = a[5];
    args.statement = a[7];
    return !args.keyPath.empty() && !args.database.empty() &&
           args.database.find_first_of(L"\\/:") == std::wstring::npos;
}

// Reads DataDir from the key; false with a message when the key or the value is missing.
bool readDataDir(const std::wstring& keyPath, std::wstring& dataDir, std::string& error) {
    static const std::wstring kRoot = L"HKEY_LOCAL_MACHINE\\";
    if (!startsWithIgnoreCase(keyPath, kRoot)) {
        error = "registry key must be under HKEY_LOCAL_MACHINE: " + toUtf8(keyPath);
        return false;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str() + kRoot.size(), 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        error = "registry key not found: " + toUtf8(keyPath);
        return false;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    LONG rc = RegQueryValueExW(key, L"DataDir", nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && bytes > 0) {
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        rc = RegQueryValueExW(key, L"DataDir", nullptr, &type, reinterpret_cast<BYTE*>(&value[0]),
                              &bytes);
        value.resize(wcsnlen(value.c_str(), value.size()));
        dataDir = value;
    } else {
        rc = ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || dataDir.empty()) {
        error = "registry value DataDir not found under " + toUtf8(keyPath);
        return false;
    }
    while (!dataDir.empty() && (dataDir.back() == L'\\' || dataDir.back() == L'/'))
        dataDir.pop_back();
    return true;
}

// Runs the prepared statement to its end, appending the result lines to `out`.
int runStatement(sqlite3* db, sqlite3_stmt* stmt, bool header, std::string& out,
                 const std::wstring& statement) {
    const int columns = sqlite3_column_count(stmt);
    if (columns > 0 && header) {
        for (int i = 0; i < columns; ++i) {
            if (i != 0)
                out += ',';
            const char* name = sqlite3_column_name(stmt, i);
            out += name ? name : "";
        }
        out += "\r\n";
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            if (i != 0)
                out += ',';
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int size = sqlite3_column_bytes(stmt, i);
            if (text == nullptr || size == 0)
                out += "{}";
            else
                out.append(text, static_cast<std::size_t>(size));
        }
        out += "\r\n";
    }
    if (rc != SQLITE_DONE)
        return fail(sqlite3_errcode(db), sqlite3_errmsg(db), statement);
    if (columns == 0) {
        out += "Statement executed.\r\n";
        out += std::to_string(sqlite3_changes(db)) + " row(s) affected.\r\n";
    }
    emit(out);
    return kExitOk;
}

int run(const Arguments& args) {
    std::wstring dataDir;
    std::string error;
    if (!readDataDir(args.keyPath, dataDir, error))
        return fail(SQLITE_CANTOPEN, error, args.statement);

    const std::wstring path = dataDir + L"\\" + args.database + L".sqlite";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return fail(SQLITE_CANTOPEN, "database " + toUtf8(args.database) + " not found",
                    args.statement);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(toUtf8(path).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> dbGuard(db, &sqlite3_close);
    if (rc != SQLITE_OK)
        return fail(rc, db ? sqlite3_errmsg(db) : "cannot open database", args.statement);
    sqlite3_busy_timeout(db, 5000);

    const std::string sql = toUtf8(args.statement);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmtGuard(stmt, &sqlite3_finalize);
    if (rc != SQLITE_OK)
        return fail(sqlite3_errcode(db), sqlite3_errmsg(db), args.statement);
    if (stmt == nullptr)
        return fail(SQLITE_MISUSE, "no statement given", args.statement);

    // Whatever follows the first statement may only be blanks, semicolons or comments.
    if (tail != nullptr && *tail != '\0') {
        sqlite3_stmt* extra = nullptr;
        rc = sqlite3_prepare_v2(db, tail, -1, &extra, nullptr);
        const bool more = rc != SQLITE_OK || extra != nullptr;
        sqlite3_finalize(extra);
        if (more)
            return fail(SQLITE_MISUSE, "only one statement can be run at a time", args.statement);
    }

    std::string out;
    return runStatement(db, stmt, isFifthGeneration(args.keyPath), out, args.statement);
}

} // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof(buffer));

    Arguments args;
    if (!parseArguments(args)) {
        emit("[ERROR] usage: sqli.exe /inprocess /reg \"HKEY_LOCAL_MACHINE\\<key>\" "
             "/database NAME /sql \"STATEMENT\"\r\n");
        return kExitUsage;
    }
    return run(args);
}
