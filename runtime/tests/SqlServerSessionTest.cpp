#include "SqlServerSession.h"

#include "FakeServiceManager.h"
#include "RecordingLog.h"
#include "ScriptedServer.h"
#include "Text.h"

#include <gtest/gtest.h>

namespace {

class SessionTest : public ::testing::Test {
protected:
    ScriptedServer server = FourDatabases();
    FakeServiceManager services;
    RecordingLog log;

    void SetUp() override { services.services["MSSQLSERVER"].state = ServiceState::Running; }
    CSqlServerSession Session(const std::string& host = "127.0.0.1",
                              const std::string& login = "velmora",
                              const std::string& password = "pw") {
        return CSqlServerSession(
            host, "enc:" + login, "enc:" + password, &kFakeCredentialLibrary, services,
            [this] { return std::make_unique<scripted::Connection>(server); }, log);
    }
    std::string Log() const { return log.Utf8Text(); }
    static ScriptedServer FourDatabases() {
        ScriptedServer server;
        server.databases = {"master", "tempdb", "Eigyo", "Keiri"};
        server.failing.insert("bad");
        return server;
    }
};

TEST_F(SessionTest, ConnectsSelectsAndQueries) {
    CSqlServerSession session = Session();
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_TRUE(server.passwordGiven);
    ASSERT_EQ(session.SelectDatabase("Keiri"), Outcome::Done);
    EXPECT_EQ(server.used, "Keiri");
    server.Answer("select", {"1\ta", "2\tb"});
    std::string text;
    long rows = 0;
    EXPECT_EQ(session.ExecuteQuery("select", text, rows), Outcome::Done);
    EXPECT_EQ(text, "1\ta\r\n2\tb");
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(session.ExecuteStatement("BEGIN TRANSACTION"), Outcome::Done);
    EXPECT_EQ(session.ExecuteStatement("bad"), Outcome::Failed);
    EXPECT_EQ(Log(), ""); // a good login writes nothing
}

// Lines that wait in the log reach the file before the server is asked anything: while the
// tool waits on the server its log is complete.
TEST_F(SessionTest, EveryStatementFlushesTheLogFirst) {
    CSqlServerSession session = Session();
    ASSERT_EQ(session.Connect(), Outcome::Done);
    ASSERT_EQ(session.SelectDatabase("Keiri"), Outcome::Done);
    const int before = log.flushes;
    std::string text;
    long rows = 0;
    SqlRowSet set;
    session.ExecuteQuery("select", text, rows);
    session.ExecuteStatement("BEGIN TRANSACTION");
    session.ReadRows("select", set);
    EXPECT_EQ(log.flushes - before, 3);
}

TEST_F(SessionTest, LoginFailuresAreLogged) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string host, login;
        const char* logged;
    };
    const Case cases[] = {
        {"no manager", [this] { services.reach = ServiceProbe::Reach::ManagerUnavailable; }, "h",
         "l", "【Failure】,fail OpenSCManager,,,"},
        {"no service", [this] { services.reach = ServiceProbe::Reach::ServiceUnavailable; },
         "remote-host", "l", "【Failure】,ハンドルオープンに失敗: remote-host,,,"},
        {"service stopped",
         [this] { services.services["MSSQLSERVER"].state = ServiceState::StopPending; },
         "elsewhere", "l", "【Failure】,サービス停止中,,,"},
        {"wrong password", [this] { server.acceptLogin = false; }, "h", "l",
         "【Failure】,fail Connect(),,,"},
        {"no server name", [] {}, "", "l", "【Failure】,sqlname is empty.,,,"},
        {"no login", [] {}, "h", "", "【Failure】,loginID is empty.,,,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server = FourDatabases();
        services.reach = ServiceProbe::Reach::Answered;
        services.services["MSSQLSERVER"].state = ServiceState::Running;
        c.arrange();
        const std::size_t before = Log().size();
        CSqlServerSession session = Session(c.host, c.login);
        EXPECT_EQ(session.Connect(), Outcome::Failed);
        EXPECT_FALSE(session.IsConnected());
        EXPECT_NE(Log().find(c.logged, before), std::string::npos);
        EXPECT_EQ(session.SelectDatabase("Eigyo"), Outcome::Failed);
    }
}

TEST_F(SessionTest, EmptyPasswordIsLoggedAndTheLoginStillTried) {
    CSqlServerSession session = Session("h", "l", "");
    EXPECT_EQ(session.Connect(), Outcome::Done);
    EXPECT_FALSE(server.passwordGiven);
    EXPECT_NE(Log().find("【Failure】,password is empty.,,,"), std::string::npos);
}

// The login and password travel encoded and are decoded for the driver's call only, afresh
// at each login; the library's decoded texts are wiped before they go back, and a login
// that cannot be decoded counts as missing.
TEST_F(SessionTest, LoginIsDecodedForTheConnectCallOnly) {
    fake_credentials::live = 0;
    fake_credentials::plainReleasedUnwiped = 0;
    CSqlServerSession session = Session("h", "velmora", "pw");
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(server.login, "velmora");
    EXPECT_TRUE(server.passwordGiven);
    session.Disconnect();
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(server.connects, 2);
    EXPECT_EQ(fake_credentials::live, 0);
    EXPECT_EQ(fake_credentials::plainReleasedUnwiped, 0);

    for (const CredentialLibrary* library :
         {&kFakeCredentialLibrary, static_cast<const CredentialLibrary*>(nullptr)}) {
        CSqlServerSession undecodable(
            "h", "garbage", "enc:pw", library, services,
            [this] { return std::make_unique<scripted::Connection>(server); }, log);
        EXPECT_EQ(undecodable.Connect(), Outcome::Failed);
    }
    EXPECT_EQ(server.connects, 2);
    EXPECT_NE(Log().find("【Failure】,loginID is empty.,,,"), std::string::npos);
}

TEST_F(SessionTest, DatabaseIsChosenByExactNameOnce) {
    CSqlServerSession session = Session();
    EXPECT_EQ(session.SelectDatabase("Eigyo"), Outcome::Failed); // not connected
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(session.SelectDatabase("eigyo"), Outcome::Failed);
    EXPECT_EQ(session.SelectDatabase("Eigy"), Outcome::Failed);
    EXPECT_EQ(session.SelectDatabase(""), Outcome::Failed);
    EXPECT_EQ(server.used, "");
    EXPECT_EQ(session.SelectDatabase("Eigyo"), Outcome::Done);
    EXPECT_EQ(session.SelectDatabase("Keiri"), Outcome::Failed); // one database at a time
    session.ReleaseDatabase();
    EXPECT_EQ(session.SelectDatabase("Keiri"), Outcome::Done);
}

TEST_F(SessionTest, QueriesNeedADatabaseAndEmptyResultsSetNoText) {
    CSqlServerSession session = Session();
    std::string text = "untouched";
    long rows = -1;
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(session.ExecuteQuery("select", text, rows), Outcome::Failed);
    EXPECT_EQ(session.ExecuteStatement("COMMIT"), Outcome::Failed);
    ASSERT_EQ(session.SelectDatabase("Eigyo"), Outcome::Done);
    EXPECT_EQ(session.ExecuteQuery("", text, rows), Outcome::Failed);
    server.Answer("select", {});
    EXPECT_EQ(session.ExecuteQuery("select", text, rows), Outcome::Done);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(text, "untouched");
    server.failing.insert("select");
    EXPECT_EQ(session.ExecuteQuery("select", text, rows), Outcome::Failed);
}

TEST_F(SessionTest, RowsAreReadOnlyWithADatabaseAndKeptWhenTheStatementFails) {
    CSqlServerSession session = Session();
    SqlRowSet kept;
    kept.columns.push_back({"SN", 4, 10, 0, false, true});
    kept.rows.push_back({std::string("1")});
    server.rowAnswers["select *"] = kept;
    SqlRowSet read;
    ASSERT_EQ(session.Connect(), Outcome::Done);
    EXPECT_EQ(session.ReadRows("select *", read), Outcome::Failed);
    ASSERT_EQ(session.SelectDatabase("Eigyo"), Outcome::Done);
    EXPECT_EQ(session.ReadRows("", read), Outcome::Failed);
    EXPECT_TRUE(server.received.empty());
    ASSERT_EQ(session.ReadRows("select *", read), Outcome::Done);
    EXPECT_EQ(read.columns, kept.columns);
    EXPECT_EQ(read.rows, kept.rows);
    server.failing.insert("select *");
    EXPECT_EQ(session.ReadRows("select *", read), Outcome::Failed);
    EXPECT_EQ(read.rows, kept.rows);
}

TEST_F(SessionTest, CopiesShareTheConnectionAndOnlyTheOwnerReleasesIt) {
    CSqlServerSession owner = Session();
    ASSERT_EQ(owner.Connect(), Outcome::Done);
    ASSERT_EQ(owner.SelectDatabase("Eigyo"), Outcome::Done);
    {
        CSqlServerSession copy = owner; // as a check receives it
        EXPECT_EQ(copy.ExecuteStatement("update"), Outcome::Done);
    }
    EXPECT_EQ(server.disconnects, 0);
    owner.ReleaseDatabase();
    owner.Disconnect();
    owner.Disconnect();
    EXPECT_EQ(server.disconnects, 1);
    EXPECT_FALSE(owner.IsConnected());
}

} // namespace
