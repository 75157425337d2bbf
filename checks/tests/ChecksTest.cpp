#include "DocNumberFormatCheck.h"
#include "DocumentContentCheck.h"
#include "Findings.h"
#include "UserRecordCheck.h"

#include "MendoraProfile.h"
#include "ScrutelProfile.h"

#include "LogFile.h"
#include "ScriptedServer.h"
#include "SqliQuery.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// The user record check, for the tests that do not look at what it returns.
Outcome CheckUserRecords(ICheckHost& host, const CabinetRecord& cabinet,
                         CSqlServerSession session) {
    UserCheckResult found;
    return ::CheckUserRecords(host, cabinet, session, found);
}

Outcome CheckDocNumberFormat(ICheckHost& host) {
    int findings = 0;
    return ::CheckDocNumberFormat(host, findings);
}

CabinetRecord Cabinet(const char* shortName) {
    CabinetRecord record{};
    std::snprintf(record.shortName, sizeof record.shortName, "%s", shortName);
    return record;
}

class Checks : public ::testing::Test {
protected:
    ScriptedServer server;
    std::string Lookup(const char* table, const std::string& sn,
                       const CheckOptions& options = kScrutelChecks) {
        for (const RelatedRecordLookup& l : RelatedRecordLookups())
            if (std::string(l.table) == table)
                return LookupStatement(l, options, sn);
        return "";
    }
};

TEST(RowReading, TrimsTrailingBlanksKeepsLeadingAndPadsShortRows) {
    const std::vector<Row> rows = ReadRows("  1 \t a\t\r\n2");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"  1", " a", ""}));
    EXPECT_EQ(Column(rows[1], 0), "2");
    EXPECT_EQ(Column(rows[1], 5), ""); // never read past a row
    EXPECT_EQ(ReadRows("only").size(), 1u);
}

TEST(RowReading, TrashSuffixOnlyForExactlyOne) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    EXPECT_EQ(TrashSuffix(host), Ansi(", ごみ箱に入っています"));
    EXPECT_TRUE(IsInTrash("1  "));
    for (const char* value : {"0", "", "11", " 1x", "true"})
        EXPECT_FALSE(IsInTrash(value)) << value;
}

TEST(RowReading, StatementsForEveryLookupAndVariant) {
    const RelatedRecordLookup& history = RelatedRecordLookups()[1];
    EXPECT_EQ(LookupStatement(history, kScrutelChecks, "42"),
              "select SN, IsTrash from ConfigurationHistory where (CreateUserSN = 42)  or "
              "(ReserveUserSN = 42) order by SN");
    EXPECT_EQ(LookupStatement(history, kMendoraChecks, "42"),
              "select SN, IsTrash, CreateUserSN, ReserveUserSN from ConfigurationHistory where "
              "(CreateUserSN = 42)  or (ReserveUserSN = 42) order by SN");
    EXPECT_EQ(LookupStatement(RelatedRecordLookups()[4], kScrutelChecks, "7"),
              "select SN,ConfigurationHistorySN from VersionSeries where (ReserveUserSN = 7)");
}

TEST_F(Checks, ScrutelUserCheckReportsEveryUserAndRelatedRecord) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    server.Answer(kSuspectUserQuery,
                  {"5\t" + Ansi("佐藤") + "\tsato\tDOM\t  ", "8\tAcc8\t9abc\tDOM\t\\\\srv\\space"});
    server.Answer(Lookup("Container", "5"), {"101\t0", "102\t1 "});
    server.Answer(Lookup("ReferenceRelationship", "5"), {"601\t1002\t1001"});
    server.Answer(Lookup("VersionDescription", "8"), {"70\t10020\t99\t3"});
    ASSERT_EQ(CheckUserRecords(host, Cabinet("Sales"), server.Session()), Outcome::Done);

    EXPECT_EQ(host.report, Ansi("エラーがあるユーザー情報\r\nユーザー情報数:2\r\n\r\n"));
    EXPECT_EQ(server.received.size(), 1u + 2 * 9); // nine lookups per user
    EXPECT_EQ(host.log.Utf8Lines(),
              (std::vector<std::string>{
                  "【Failure】,Sales,UserOrGroupのSN(5)"
                  "で、UserSpaceの形式が正しくありません(UserSpace=, Account=佐藤),,",
                  "【Failure】,Sales,UserOrGroupのSN(5)に関連するContainer(SN=101),,",
                  "【Failure】,Sales,UserOrGroupのSN(5)に関連するContainer(SN=102, "
                  "ごみ箱に入っています),,",
                  "【Failure】,Sales,UserOrGroupのSN(5)に関連するReferenceRelationShip("
                  "SN=601, 親文書の文書番号=1001, 子文書の文書番号=1002),,",
                  "【Failure】,Sales,UserOrGroupのSN(8)"
                  "で、UserIDの形式が正しくありません(UserID=9abc, Account=Acc8),,",
                  "【Failure】,Sales,UserOrGroupのSN(8)に関連するVersionDescription(SN="
                  "70, 文書番号=10020, 版番号=3),,",
              }));
}

TEST_F(Checks, MendoraUserCheckKeepsItsStateAndClosesWithTheRelatedCount) {
    TestHost host(Tool::Mendora, kMendoraChecks);
    server.Answer(kSuspectUserQuery, {"12\ta\t1x\td\tspace", "3\tb\t\td\tspace"});
    std::vector<std::string> many;
    for (int i = 0; i < 250; ++i)
        many.push_back(std::to_string(1000 + i));
    server.Answer(Lookup("DocType", "12", kMendoraChecks), many);
    server.Answer(Lookup("WordBook", "3", kMendoraChecks), {"77"});
    UserCheckResult found;
    ASSERT_EQ(::CheckUserRecords(host, Cabinet("Sales"), server.Session(), found), Outcome::Done);

    EXPECT_EQ(server.received.size(), 1u + 2 * 11);
    EXPECT_EQ(found.InvalidUserCount, 2);
    EXPECT_EQ(found.InvalidUserSNs, (std::vector<std::string>{"12", "3"}));
    EXPECT_EQ(found.RelatedRecordCount, 251);
    EXPECT_EQ(host.report, Ansi("エラーがあるユーザー情報\r\nユーザー情報数:2\r\n\r\n"
                                "関連するデータ\r\nデータ数：251\r\n\r\n"));
    const std::vector<std::string> log = host.log.Utf8Lines();
    EXPECT_EQ(log[log.size() - 2], "【Success】,エラーがあるユーザー情報 ユーザー情報数:2  ,,,");
    EXPECT_EQ(log.back(), "【Success】,関連するデータ データ数：251  ,,,");
    EXPECT_EQ(log[1], "【Failure】,Sales,UserOrGroupのSN(12)に関連するDocType(SN=1000),,");
}

TEST_F(Checks, NoSuspectUsersStillWritesTheHeader) {
    TestHost host(Tool::Mendora, kMendoraChecks);
    UserCheckResult found;
    found.InvalidUserCount = 3;
    ASSERT_EQ(::CheckUserRecords(host, Cabinet("C"), server.Session(), found), Outcome::Done);
    EXPECT_EQ(host.report, Ansi("エラーがあるユーザー情報\r\nユーザー情報数:0\r\n\r\n"));
    EXPECT_EQ(found.InvalidUserCount, 0);
    EXPECT_TRUE(host.log.Utf8Lines().empty());
}

TEST_F(Checks, FailuresShowTheirMessageAndKeepWhatWasWritten) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    server.failing.insert(kSuspectUserQuery);
    EXPECT_EQ(CheckUserRecords(host, Cabinet("C"), server.Session()), Outcome::Failed);
    EXPECT_EQ(host.errors, (std::vector<std::string>{Ansi("UserOrGroupの取得に失敗しました。")}));
    EXPECT_EQ(host.report, "");

    // The second user's Shortcut lookup fails: the first user is complete, the second has
    // its defect line, nothing follows.
    TestHost second(Tool::Scrutel, kScrutelChecks);
    server.failing.clear();
    server.Answer(kSuspectUserQuery, {"1\ta\t1\td\ts", "2\tb\t2\td\ts", "3\tc\t3\td\ts"});
    server.Answer(Lookup("Container", "1"), {"10\t0"});
    server.failing.insert(Lookup("Shortcut", "2"));
    EXPECT_EQ(CheckUserRecords(second, Cabinet("C"), server.Session()), Outcome::Failed);
    EXPECT_EQ(second.errors, (std::vector<std::string>{Ansi("Shortcutの取得に失敗しました。")}));
    const std::vector<std::string> log = second.log.Utf8Lines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[2].find("SN(2)で、UserIDの形式"), std::string::npos);
    EXPECT_EQ(second.report, Ansi("エラーがあるユーザー情報\r\nユーザー情報数:3\r\n\r\n"));
}

TEST_F(Checks, AnSnThatIsNotANumberIsNeverSentToTheServer) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    server.Answer(kSuspectUserQuery, {"1 or 1=1; drop table X\ta\tb\td\ts"});
    EXPECT_EQ(CheckUserRecords(host, Cabinet("C"), server.Session()), Outcome::Failed);
    EXPECT_EQ(server.received.size(), 1u);
    EXPECT_EQ(host.errors, (std::vector<std::string>{Ansi("Containerの取得に失敗しました。")}));
}

TEST_F(Checks, ContentChecksCountTheServersRowsAndFormatEveryRow) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    const std::vector<DocumentContentCheck>& checks = DocumentContentChecks();
    server.Answer(Ansi(checks[1].statement), {"1002\t1\t3\t.txt\t1"});
    server.Answer(Ansi(checks[3].statement),
                  {"1004\t" + Ansi("管理者") + "\tEIGYO\t2024-05-20 11:00:00\t1",
                   "1003\tyamada\t\t2024-06-10\t0"});
    server.answers[Ansi(checks[4].statement)] = {"1008\t1\t1\t.msg\t0", 2}; // the count rules
    for (const DocumentContentCheck& check : checks)
        ASSERT_EQ(RunDocumentContentCheck(host, check, Cabinet("Sales"), server.Session()),
                  Outcome::Done);

    EXPECT_EQ(host.report, Ansi("セクション数の制限値を超えた文書\r\n文書数:0\r\n\r\n"
                                "0バイトのセクション\r\nセクション数:1\r\n\r\n"
                                "サイズの制限値を超えたセクション\r\nセクション数:0\r\n\r\n"
                                "チェックアウト中の文書\r\n文書数:2\r\n\r\n"
                                "未対応拡張子のセクション\r\nセクション数:2\r\n\r\n"));
    EXPECT_EQ(
        host.log.Utf8Lines(),
        (std::vector<std::string>{
            "【Failure】,Sales,文書(1002)のセクションが0バイトです(Version=1, SectionNo=3, "
            "Format=.txt, ごみ箱に入っています),,",
            "【Failure】,Sales,文書(1004)がチェックアウト中です(User=管理者@EIGYO, Date=2024-05-20 "
            "11:00:00, ごみ箱に入っています),,",
            "【Failure】,Sales,文書(1003)がチェックアウト中です(User=yamada, Date=2024-06-10),,",
            "【Failure】,Sales,文書(1008)のセクションは未対応拡張子です(Version=1, SectionNo=1, "
            "Format=.msg),,",
        }));
}

TEST_F(Checks, ContentCheckFailureLeavesTheReport) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    const DocumentContentCheck& oversized = DocumentContentChecks()[2];
    server.failing.insert(Ansi(oversized.statement));
    EXPECT_EQ(RunDocumentContentCheck(host, oversized, Cabinet("C"), server.Session()),
              Outcome::Failed);
    EXPECT_EQ(host.errors,
              (std::vector<std::string>{Ansi("セクションサイズの取得に失敗しました。")}));
    EXPECT_EQ(host.report, "");
}

TEST_F(Checks, DocTypeCheckReportsEveryNameRow) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    host.interpreter = [](const std::string&, std::string& output) {
        output = Ansi("SN,DisplayName,DocNumberFormat\r\n2,見積書,NULL\r\n2,見積書（改）,NULL\r\n"
                      "4,議事録,定例会議,NULL\r\n5,仕様書{改訂},NULL\r\n");
        return 0u;
    };
    ASSERT_EQ(CheckDocNumberFormat(host), Outcome::Done);
    EXPECT_EQ(host.docTypeStatements, (std::vector<std::string>{kScrutelChecks.docTypeQuery}));
    EXPECT_EQ(host.report, Ansi("エラーがあった文書タイプ情報\r\n文書タイプ数:4\r\n\r\n"));
    const std::vector<std::string> log = host.log.Utf8Lines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "【Failure】,文書タイプ,"
                      "文書タイプの採番フォーマット文字列が不正値NULLです。文書タイプ名(見積書),,");
    EXPECT_NE(log[2].find("文書タイプ名(議事録)"), std::string::npos);
    EXPECT_NE(log[3].find("文書タイプ名(仕様書)"), std::string::npos);

    TestHost mendora(Tool::Mendora, kMendoraChecks);
    mendora.interpreter = host.interpreter;
    int findings = 0;
    ASSERT_EQ(::CheckDocNumberFormat(mendora, findings), Outcome::Done);
    EXPECT_EQ(mendora.docTypeStatements, (std::vector<std::string>{kMendoraChecks.docTypeQuery}));
    EXPECT_EQ(findings, 4);
    EXPECT_EQ(mendora.log.Utf8Lines().back(),
              "【Success】,エラーがあった文書タイプ情報 文書タイプ数:4  ,,,");
}

TEST_F(Checks, DocTypeCheckFailures) {
    struct Case {
        std::uint32_t status;
        std::string output;
        const char* logged;
        bool messageBox;
    };
    const Case cases[] = {
        {kSqliReadFailed, "partial", "【Failure】,文書タイプ,partial,,", true},
        {kSqliOk, "", "【Failure】,文書タイプが見つからなかった,,,", false},
        {kSqliOk, "[ERROR] 1 no such table\r\nSQL: x\r\n",
         "【Failure】,SQLエラー!! : [ERROR] 1 no such table,,,", false},
    };
    for (const Case& c : cases) {
        TestHost host(Tool::Mendora, kMendoraChecks);
        host.interpreter = [&](const std::string&, std::string& output) {
            output = c.output;
            return c.status;
        };
        int findings = 0;
        EXPECT_EQ(::CheckDocNumberFormat(host, findings), Outcome::Failed);
        EXPECT_EQ(host.log.Utf8Lines(), (std::vector<std::string>{c.logged}));
        EXPECT_EQ(host.errors.size(), c.messageBox ? 1u : 0u);
        EXPECT_EQ(host.report, "");
        EXPECT_EQ(findings, 0);
    }
}

TEST_F(Checks, HeaderOnlyDocTypeOutputCountsZero) {
    TestHost host(Tool::Mendora, kMendoraChecks);
    host.interpreter = [](const std::string&, std::string& output) {
        output = "SN,DisplayName,DocNumberFormat\r\n";
        return 0u;
    };
    EXPECT_EQ(CheckDocNumberFormat(host), Outcome::Done);
    EXPECT_EQ(host.report, Ansi("エラーがあった文書タイプ情報\r\n文書タイプ数:0\r\n\r\n"));
    EXPECT_TRUE(host.log.Utf8Lines().empty());
}

} // namespace
