// All of Scrutel's checks on one cabinet (the large generated one), against a bare ODBC
// loop that fetches the same statements' results in the same run; and the log's speed.
//   checks_bench HOST,PORT DATABASE
// Logs in as sa. Prints the wall times, their ratio (goal <= 1.3) and log lines a second.
#include "BenchSupport.h"
#include "DocumentContentCheck.h"
#include "UserRecordCheck.h"

#include "LogFile.h"
#include "StringTable.h"
#include "Text.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace bench;

// Passes everything to the ODBC connection and notes each statement.
class Recording : public ISqlConnection {
public:
    Recording(std::vector<std::string>& sent) : inner_(CreateOdbcConnection()), sent_(sent) {}
    bool Connect(const std::string& s, const std::string& l, const std::string* p) override {
        return inner_->Connect(s, l, p);
    }
    bool Disconnect() override { return inner_->Disconnect(); }
    bool DatabaseNames(std::vector<std::string>& n) override { return inner_->DatabaseNames(n); }
    bool UseDatabase(const std::string& n) override { return inner_->UseDatabase(n); }
    bool Query(const std::string& sql, std::string& text, long& rows) override {
        sent_.push_back(sql);
        return inner_->Query(sql, text, rows);
    }
    bool Execute(const std::string& sql) override { return inner_->Execute(sql); }

private:
    std::unique_ptr<ISqlConnection> inner_;
    std::vector<std::string>& sent_;
};

class BenchHost : public ICheckHost {
public:
    const ToolProfile& Profile() const override { return kScrutelProfile; }
    std::string LoadText(int id) const override { return Ansi(FindString(Tool::Scrutel, id)); }
    void AppendReport(const std::string& text) override { report += text; }
    void RefreshDialog() override {}
    void ShowError(const std::string& message) override { failed = message; }
    void PumpMessages() override {}
    void SetWaitCursor() override {}
    void RefreshProgress() override {}
    std::uint32_t RunDocTypeQuery(const std::string&, std::string&) override { return 1; }
    std::string report, failed;
};

// The same statements through plain ODBC: every value fetched as wide text, nothing kept.
double BareLoop(const std::string& host, const std::string& database,
                const std::vector<std::string>& statements) {
    SQLHENV env;
    SQLHDBC dbc;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::u16string text =
        Utf16FromAnsi("DRIVER={SQL Server};SERVER=" + host +
                      ";UID=sa;PWD=Velmora-sa-1;DATABASE=" + database + ";");
    SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)text.c_str(), SQL_NTS, nullptr, 0, nullptr,
                      SQL_DRIVER_NOPROMPT);
    SQLWCHAR buffer[4096];
    const Clock::time_point start = Clock::now();
    for (const std::string& sql : statements) {
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        const std::u16string wide = Utf16FromAnsi(sql);
        SQLExecDirectW(st, (SQLWCHAR*)wide.c_str(), SQL_NTS);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(st, &columns);
        while (SQL_SUCCEEDED(SQLFetch(st)))
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                SQLLEN indicator;
                SQLGetData(st, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    const double seconds = Seconds(Clock::now() - start);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: checks_bench HOST,PORT DATABASE\n");
        return 2;
    }
    const std::string host = argv[1], database = argv[2];
    const char* log = "ChecksBench.log";
    std::remove(log);
    SetLogFileName(log);

    AlwaysRunning services;
    std::vector<std::string> sent;
    CSqlServerSession session(host, "sa", "Velmora-sa-1", services,
                              [&] { return std::make_unique<Recording>(sent); });
    if (session.Connect() != 0 || session.SelectDatabase(database) != 0) {
        std::printf("cannot open %s on %s\n", database.c_str(), host.c_str());
        return 1;
    }
    CabinetRecord record{};
    std::snprintf(record.shortName, sizeof record.shortName, "%s", database.c_str());
    BenchHost checkHost;
    const Clock::time_point start = Clock::now();
    UserCheckResult users;
    int failed = CheckUserRecords(checkHost, record, session, users);
    for (const DocumentContentCheck& check : DocumentContentChecks())
        failed |= RunDocumentContentCheck(checkHost, check, record, session);
    const double checks = Seconds(Clock::now() - start);
    session.ReleaseDatabase();
    session.Disconnect();
    if (failed) {
        std::printf("a check failed: %s\n", Utf8FromAnsi(checkHost.failed).c_str());
        return 1;
    }
    const std::size_t lines = CountLines(log);
    const double bare = BareLoop(host, database, sent);

    // The log alone: the same number of lines, one open, write and close each.
    std::remove(log);
    const std::string line = Ansi("UserOrGroupのSN(123)に関連するContainer(SN=4567)");
    const Clock::time_point logStart = Clock::now();
    for (std::size_t i = 0; i < lines; ++i)
        WriteResultLine(true, database, line);
    const double logSeconds = Seconds(Clock::now() - logStart);
    std::remove(log);

    std::printf("Scrutel's checks on %s: %zu statements, %zu log lines\n", database.c_str(),
                sent.size(), lines);
    std::printf("checks %.3f s, bare ODBC loop over the same statements %.3f s, ratio %.2f "
                "(goal <= 1.3)\n",
                checks, bare, checks / bare);
    std::printf("log alone: %zu lines in %.3f s, %.0f lines/s (%.0f%% of the checks' time)\n",
                lines, logSeconds, static_cast<double>(lines) / logSeconds,
                100.0 * logSeconds / checks);
    std::printf("checks less the log's time: ratio %.2f\n", (checks - logSeconds) / bare);
    return 0;
}
