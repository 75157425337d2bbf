// The yardstick of the benchmarks: the statements a tool sent, sent again through plain ODBC
// on one connection, every value fetched as wide text and nothing kept.
#pragma once

#include "BenchSupport.h"
#include "Text.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace bench {

// What the bare loop measured: the whole loop, each statement's end (seconds from its
// start), and the result rows it fetched.
struct BareRun {
    double seconds = 0;
    std::vector<double> ends;
    long rows = 0;
};

// Logs in as sa and sends the statements in their order.
inline BareRun BareLoop(const std::string& host, const std::string& database,
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
    BareRun run;
    run.ends.reserve(statements.size());
    const Clock::time_point start = Clock::now();
    for (const std::string& sql : statements) {
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
        const std::u16string wide = Utf16FromAnsi(sql);
        SQLExecDirectW(st, (SQLWCHAR*)wide.c_str(), SQL_NTS);
        SQLSMALLINT columns = 0;
        SQLNumResultCols(st, &columns);
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            ++run.rows;
            for (SQLUSMALLINT c = 1; c <= columns; ++c) {
                SQLLEN indicator;
                SQLGetData(st, c, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        run.ends.push_back(Seconds(Clock::now() - start));
    }
    run.seconds = Seconds(Clock::now() - start);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return run;
}

} // namespace bench
