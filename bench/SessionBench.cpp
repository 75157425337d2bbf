// ExecuteQuery of 100,000 rows x 5 columns against the SQL Server stand-in, beside a plain
// ODBC fetch loop of the same query through the same driver, in the same run: the ratio of
// the two times, and the session's peak extra memory relative to the result text.
//   session_bench HOST,PORT
#include "AllocationCounter.h"
#include "BenchSupport.h"
#include "FakeCredentialLibrary.h"
#include "FakeServiceManager.h"
#include "SqlServerSession.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using namespace bench;

const char kQuery[] = "select SN, AccountName, UserID, DomainName, UserSpace from Rows order by SN";

// The plain loop: every value fetched as wide text, nothing else done with it.
double PlainFetch(const std::string& host, long& rows) {
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::string text =
        "DRIVER={SQL Server};SERVER=" + host + ";UID=bench_user;PWD=bench-pass;DATABASE=Bench;";
    std::basic_string<SQLWCHAR> wide(text.begin(), text.end());
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, wide.data(), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT))) {
        std::printf("plain ODBC: cannot connect\n");
        std::exit(1);
    }
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    const std::string query = kQuery;
    std::basic_string<SQLWCHAR> wideQuery(query.begin(), query.end());
    const auto start = std::chrono::steady_clock::now();
    SQLExecDirectW(st, wideQuery.data(), SQL_NTS);
    SQLWCHAR buffer[8192];
    rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
        for (SQLUSMALLINT c = 1; c <= 5; ++c) {
            SQLLEN indicator;
            SQLGetData(st, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        }
        ++rows;
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: session_bench HOST,PORT\n");
        return 2;
    }
    const std::string host = argv[1];
    IServiceManager& services = FakeServiceManager::Running();
    double best = 1e9, bestPlain = 1e9;
    std::size_t textSize = 0;
    long long extra = 0;
    for (int round = 0; round < 3; ++round) {
        long plainRows = 0;
        bestPlain = std::min(bestPlain, PlainFetch(host, plainRows));

        CSqlServerSession session(host, "enc:bench_user", "enc:bench-pass", &kFakeCredentialLibrary,
                                  services, CreateOdbcConnection, FileLog());
        if (session.Connect() != Outcome::Done ||
            session.SelectDatabase("Bench") != Outcome::Done) {
            std::printf("session: cannot connect\n");
            return 1;
        }
        std::string text;
        long rows = 0;
        const long long before = g_allocated.bytes.load();
        g_allocated.peak = before;
        const auto start = std::chrono::steady_clock::now();
        const Outcome status = session.ExecuteQuery(kQuery, text, rows);
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
        textSize = text.size();
        extra = g_allocated.peak.load() - before - static_cast<long long>(text.size());
        if (status != Outcome::Done || rows != plainRows) {
            std::printf("session: query failed (%ld rows)\n", rows);
            return 1;
        }
        session.ReleaseDatabase();
        session.Disconnect();
    }
    std::printf("ExecuteQuery 100000 x 5: session %.3f s, plain ODBC loop %.3f s, ratio %.2f "
                "(goal <= 1.2)\n",
                best, bestPlain, best / bestPlain);
    std::printf("result text %.1f MB, session's peak extra memory %.1f MB (%.2f x the text)\n",
                static_cast<double>(textSize) / 1e6, static_cast<double>(extra) / 1e6,
                static_cast<double>(extra) / static_cast<double>(textSize));
    Figure("session_query_seconds", best, "s");
    Figure("session_plain_odbc_seconds", bestPlain, "s");
    Figure("session_ratio", best / bestPlain, "ratio");
    Figure("session_peak_extra_memory", static_cast<double>(extra) / 1e6, "MB");
    return 0;
}
