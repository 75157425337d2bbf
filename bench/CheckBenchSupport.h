// What the benchmarks of the checks and the repair share: a connection that notes every
// statement it passes on, a main dialog that shows nothing, and the bare ODBC loop that
// runs the same statements as the yardstick.
#pragma once

#include "BenchSupport.h"
#include "CheckHost.h"
#include "FakeCredentialLibrary.h"
#include "FakeServiceManager.h"
#include "LogFile.h"
#include "SqlConnection.h"
#include "SqlServerSession.h"

#include "StringTable.h"
#include "Text.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// What a session was asked: its statements, and the rows their results held.
struct Recorded {
    std::vector<std::string> statements;
    long rows = 0;
};

// Passes everything to the ODBC connection and notes each statement.
class Recording : public ISqlConnection {
public:
    Recording(Recorded& sent) : inner_(CreateOdbcConnection()), sent_(sent) {}
    bool Connect(const std::string& s, const std::string& l, const std::string* p) override {
        return inner_->Connect(s, l, p);
    }
    bool Disconnect() override { return inner_->Disconnect(); }
    bool DatabaseNames(std::vector<std::string>& n) override { return inner_->DatabaseNames(n); }
    bool UseDatabase(const std::string& n) override { return inner_->UseDatabase(n); }
    bool Query(const std::string& sql, std::string& text, long& rows) override {
        sent_.statements.push_back(sql);
        const bool done = inner_->Query(sql, text, rows);
        sent_.rows += done ? rows : 0;
        return done;
    }
    bool Execute(const std::string& sql) override {
        sent_.statements.push_back(sql);
        return inner_->Execute(sql);
    }
    bool QueryRows(const std::string& sql, SqlRowSet& result) override {
        sent_.statements.push_back(sql);
        const bool done = inner_->QueryRows(sql, result);
        sent_.rows += done ? static_cast<long>(result.rows.size()) : 0;
        return done;
    }

private:
    std::unique_ptr<ISqlConnection> inner_;
    Recorded& sent_;
};

// The same statements through plain ODBC: every value fetched as wide text, nothing kept.
inline double BareLoop(const std::string& host, const std::string& database,
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

// A session with the cabinet's database, logged in as sa, that notes every statement in
// sent; and the benchmark's own log, started empty. Nothing (after a message) when the
// database cannot be opened.
inline std::optional<CSqlServerSession> OpenRecordingSession(const std::string& server,
                                                             const std::string& database,
                                                             Recorded& sent, const char* log) {
    SetLogFileName(log); // lets go of a log file still open, which could not be removed
    std::remove(log);
    CSqlServerSession session(
        server, "enc:sa", "enc:Velmora-sa-1", &kFakeCredentialLibrary,
        FakeServiceManager::Running(), [&sent] { return std::make_unique<Recording>(sent); },
        FileLog());
    if (session.Connect() == Outcome::Done && session.SelectDatabase(database) == Outcome::Done)
        return session;
    std::printf("cannot open %s on %s\n", database.c_str(), server.c_str());
    return std::nullopt;
}

} // namespace bench
