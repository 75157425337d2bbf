// The session against the SQL Server stand-in, through the real ODBC chain: unixODBC and
// FreeTDS natively, odbc32 under Wine. The stand-in is started by the test fixture
// (sqlserver_fixture.py) and its port read from the file VT_SQLSERVER_PORTFILE names.
#include "SqlServerSession.h"

#include "FakeCredentialLibrary.h"
#include "RecordingLog.h"
#include "Text.h"

#include "SqlServerStandin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace {

using standin::Host;
using standin::Services;

#if defined(_WIN32)

// Stops the local "MSSQLSERVER" stand-in service for a scope and starts it again.
class ScopedStoppedSqlServer {
public:
    ScopedStoppedSqlServer() { Control(false); }
    ~ScopedStoppedSqlServer() { Control(true); }

private:
    static void Control(bool start) {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = OpenServiceA(manager, "MSSQLSERVER", SERVICE_ALL_ACCESS);
        SERVICE_STATUS status{};
        if (start)
            StartServiceA(service, 0, nullptr);
        else
            ControlService(service, SERVICE_CONTROL_STOP, &status);
        const DWORD wanted = start ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int i = 0;
             i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != wanted;
             ++i)
            Sleep(100);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
};
#endif

const char kPassword[] = "p;a=s}s{w0rd";

class SessionIntegration : public ::testing::Test {
protected:
    RecordingLog log;

    std::string Log() const { return log.Utf8Text(); }
    CSqlServerSession Session(const std::string& login, const std::string& password) {
        return CSqlServerSession(Host(), "enc:" + login, "enc:" + password, &kFakeCredentialLibrary,
                                 Services(), CreateOdbcConnection, log);
    }
    CSqlServerSession Open(const std::string& database = "SessionTest") {
        CSqlServerSession session = Session("session_user", kPassword);
        EXPECT_EQ(session.Connect(), Outcome::Done) << Log();
        EXPECT_EQ(session.SelectDatabase(database), Outcome::Done);
        return session;
    }
    static void Close(CSqlServerSession& session) {
        session.ReleaseDatabase();
        session.Disconnect();
    }
};

TEST_F(SessionIntegration, JapaneseAliasesAndValuesWithNulls) {
    CSqlServerSession session = Open(); // the password holds ';', '=', '{' and '}'
    std::string text;
    long rows = 0;
    ASSERT_EQ(
        session.ExecuteQuery("select SN, Name as " + Ansi("名前") + ", Code from Items order by SN",
                             text, rows),
        Outcome::Done);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(text, Ansi("1\t営業部\tSales\r\n2\t経理部\t\r\n3\t表示ソ\t"));
    ASSERT_EQ(session.ExecuteQuery("select Note from Items where SN = 1", text, rows),
              Outcome::Done);
    EXPECT_EQ(text, std::string(5000, 'x'));
    Close(session);
}

TEST_F(SessionIntegration, EmptyResultsAndFailingStatements) {
    CSqlServerSession session = Open();
    std::string text = "untouched";
    long rows = -1;
    EXPECT_EQ(session.ExecuteQuery("select SN from Items where SN > 100", text, rows),
              Outcome::Done);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(session.ExecuteQuery("select Nothing from NoSuchTable", text, rows), Outcome::Failed);
    EXPECT_EQ(session.ExecuteStatement("update NoSuchTable set x = 1"), Outcome::Failed);
    EXPECT_EQ(session.ExecuteStatement("update Items set Code = 'Z' where SN = 999"),
              Outcome::Done);
    Close(session);
}

TEST_F(SessionIntegration, DatabaseNameMustMatchExactlyAndOnlyOnce) {
    CSqlServerSession session = Session("session_user", kPassword);
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(session.SelectDatabase("sessiontest"), Outcome::Failed);
    EXPECT_EQ(session.SelectDatabase("NoSuchDatabase"), Outcome::Failed);
    EXPECT_EQ(session.SelectDatabase("SessionTest"), Outcome::Done);
    EXPECT_EQ(session.SelectDatabase("master"), Outcome::Failed);
    Close(session);
}

TEST_F(SessionIntegration, LoginFailures) {
    CSqlServerSession wrong = Session("session_user", "not-the-password");
    EXPECT_EQ(wrong.Connect(), Outcome::Failed);
    EXPECT_NE(Log().find("【Failure】,fail Connect(),,,"), std::string::npos);

    CSqlServerSession open = Session("open_user", "");
    EXPECT_EQ(open.Connect(), Outcome::Done); // tried, and let in, without a password
    EXPECT_NE(Log().find("【Failure】,password is empty.,,,"), std::string::npos);
    open.Disconnect();
}

TEST_F(SessionIntegration, DisconnectWithoutCommitRollsBack) {
    {
        CSqlServerSession session = Open();
        ASSERT_EQ(session.ExecuteStatement("BEGIN TRANSACTION"), Outcome::Done);
        ASSERT_EQ(session.ExecuteStatement("update Items set Code = 'Changed' where SN = 1"),
                  Outcome::Done);
        Close(session);
    }
    CSqlServerSession session = Open();
    std::string text;
    long rows = 0;
    ASSERT_EQ(session.ExecuteQuery("select Code from Items where SN = 1", text, rows),
              Outcome::Done);
    EXPECT_EQ(text, "Sales");

    ASSERT_EQ(session.ExecuteStatement("BEGIN TRANSACTION"), Outcome::Done);
    ASSERT_EQ(session.ExecuteStatement("update Items set Code = 'Kept' where SN = 3"),
              Outcome::Done);
    ASSERT_EQ(session.ExecuteStatement("COMMIT"), Outcome::Done);
    ASSERT_EQ(session.ExecuteQuery("select Code from Items where SN = 3", text, rows),
              Outcome::Done);
    EXPECT_EQ(text, "Kept");
    EXPECT_EQ(session.ExecuteStatement("update Items set Code = '' where SN = 3"), Outcome::Done);
    Close(session);
}

TEST_F(SessionIntegration, RowsAreReadWholeWithTheirColumnsDescriptions) {
    CSqlServerSession session = Open();
    SqlRowSet read;
    ASSERT_EQ(session.ReadRows("select * from Journaled where SN = 1", read), Outcome::Done);
    const std::vector<SqlColumn> columns = {{"SN", SQL_INTEGER, 10, 0, false, true},
                                            {"Name", SQL_WVARCHAR, 4000, 0, false, false},
                                            {"Code", SQL_WVARCHAR, 8, 0, true, false},
                                            {"Stamp", SQL_TYPE_TIMESTAMP, 23, 3, true, false},
                                            {"Total", SQL_INTEGER, 10, 0, true, false}};
    EXPECT_EQ(read.columns, columns);
    // tabs and line breaks kept, an empty text apart from NULL
    const std::vector<SqlValue> first = {"1", Ansi("営業\t部\r\n表"), "", "2024-03-28 16:20:00.000",
                                         "-5"};
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_EQ(read.rows[0], first);
    EXPECT_FALSE(read.inexact);

    ASSERT_EQ(session.ReadRows("select Code, Stamp, Total from Journaled where SN = 2", read),
              Outcome::Done);
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_EQ(read.rows[0], std::vector<SqlValue>(3));
    // a value longer than the buffer a piece is read through; a character that code page
    // 932 lacks makes the rows inexact
    ASSERT_EQ(session.ReadRows("select Name, Stamp from Journaled where SN >= 2 order by SN", read),
              Outcome::Done);
    ASSERT_EQ(read.rows.size(), 2u);
    EXPECT_EQ(read.rows[1][0], std::string(9000, 'y'));
    EXPECT_EQ(read.rows[1][1], "1999-12-31 23:59:59.997");
    EXPECT_TRUE(read.inexact);
    Close(session);
}

TEST_F(SessionIntegration, AnEmptyResultStillDescribesItsColumns) {
    CSqlServerSession session = Open();
    SqlRowSet read;
    read.rows.resize(3);
    ASSERT_EQ(session.ReadRows("select SN, Stamp from Journaled where SN < 0", read),
              Outcome::Done);
    ASSERT_EQ(read.columns.size(), 2u);
    EXPECT_TRUE(read.columns[0].identity);
    EXPECT_EQ(read.columns[1].type, SQL_TYPE_TIMESTAMP);
    EXPECT_TRUE(read.rows.empty());
    EXPECT_EQ(session.ReadRows("select Nothing from NoSuchTable", read), Outcome::Failed);
    Close(session);
}

// Servers before SQL Server 2005 have no sys.databases: the listing must not need it.
TEST_F(SessionIntegration, DatabasesAreListedWithoutTheNewerCatalogViews) {
    const std::string faults = standin::DataFolder() + "faults.json";
    std::ofstream(faults) << "{\"fail\": [{\"matching\": \"select name from sys.\", \"number\": "
                             "208, \"message\": \"Invalid object name 'sys.databases'.\"}]}";
    CSqlServerSession session = Session("session_user", kPassword);
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(session.SelectDatabase("SessionTest"), Outcome::Done);
    Close(session);
    std::remove(faults.c_str());
}

#if defined(_WIN32)
TEST_F(SessionIntegration, StoppedLocalSqlServerServiceRefusesTheLogin) {
    ScopedStoppedSqlServer stopped;
    CSqlServerSession session = Session("session_user", kPassword);
    EXPECT_EQ(session.Connect(), Outcome::Failed);
    EXPECT_NE(Log().find("【Failure】,サービス停止中,,,"), std::string::npos);
}
#endif

} // namespace
