#include "DocTypeRepair.h"
#include "MendoraTestBed.h"
#include "TestHost.h"

namespace {

const std::string kRolledBack =
    "Aのデータ補正に失敗しました。補正はすべて取り消され、データは変更されていません。";

class RepairRun : public MendoraDialog {
protected:
    // Two invalid users: 5 created a folder and updated 250 versions, 6 created and
    // reserved one document. Admin (with a domain) and Yamada (without) may inherit.
    void SetUp() override {
        MendoraDialog::SetUp();
        Open();
        server.Answer(kSuspectUserQuery, {"5\tacc5\t1x\tD\tS", "6\tacc6\t\tD\tS"});
        server.Answer(Lookup("Container", "5"), {"101\t0"});
        std::vector<std::string> versions;
        for (int i = 0; i < 250; ++i)
            versions.push_back(std::to_string(5000 + i));
        server.Answer(Lookup("DocVersion", "5"), versions);
        server.Answer(Lookup("ConfigurationHistory", "6"), {"1004\t1\t6 \t6"});
        server.Answer(kValidAccountQuery, {"1\tAdmin\tDOM", "2\tYamada\t"});
        for (const char* heir : {"1", "2"})
            server.Answer(FormatText(kHeirQuery, {heir}), {heir});
    }
    // The run raised this one event.
    void ExpectOnlyEvent(std::uint32_t id, const std::vector<std::string>& inserts) {
        ASSERT_EQ(events.events.size(), 1u);
        EXPECT_EQ(events.events[0].id, id);
        EXPECT_EQ(events.events[0].inserts, inserts);
    }
    // The report's line naming the undo journal of the last repair.
    std::string Journal() {
        EXPECT_FALSE(dlg->Repaired().journal.empty());
        return "補正を取り消すための記録: " + dlg->Repaired().journal + "\r\n\r\n";
    }
    std::string ReportTail(const std::string& from) {
        const std::string report = Report();
        return report.substr(report.rfind(from));
    }
};

TEST_F(RepairRun, HandsEveryRecordOverInOneTransaction) {
    ChooseAccount(0, 0);
    dlg->Ok();

    // Each row is read whole for the undo journal before it is deleted.
    std::vector<std::string> expected = {"BEGIN TRANSACTION",
                                         FormatText(kHeirQuery, {"1"}),
                                         kSuspectUserQuery,
                                         "select * from UserOrGroup where (SN = 5)",
                                         "delete from UserOrGroup where (SN = 5)",
                                         "select * from UserOrGroup where (SN = 6)",
                                         "delete from UserOrGroup where (SN = 6)"};
    for (const char* user : {"5", "6"}) {
        for (const char* table :
             {"Container", "ConfigurationHistory", "Shortcut", "ReferenceRelationship",
              "VersionSeries", "VersionDescription", "DocVersion", "DocType", "WordBook",
              "AccessControlList", "SearchRight"}) {
            expected.push_back(Lookup(table, user));
            if (user == std::string("5") && table == std::string("Container"))
                expected.push_back("update Container set CreateUserSN=1 where (CreateUserSN = 5)");
            if (user == std::string("5") && table == std::string("DocVersion"))
                expected.push_back("update DocVersion set UpdateUserSN=1 where (UpdateUserSN = 5)");
            if (user == std::string("6") && table == std::string("ConfigurationHistory")) {
                expected.push_back("update ConfigurationHistory set CreateUserSN=1 where "
                                   "(CreateUserSN = 6)");
                expected.push_back("update ConfigurationHistory set ReserveUserSN=1 where "
                                   "(ReserveUserSN = 6)");
            }
        }
    }
    expected.push_back("COMMIT");
    EXPECT_EQ(SentFrom("BEGIN TRANSACTION"), expected);
    EXPECT_EQ(server.disconnects, server.connects);

    EXPECT_EQ(ReportTail("以下の補正を行いました。"),
              "以下の補正を行いました。\r\n" + kSeparator + "キャビネット: A\r\n\r\n" +
                  "削除したユーザー情報\r\nユーザー情報数:2\r\n\r\n"
                  "補正したデータ\r\nデータ数：252\r\n\r\n"
                  "削除したデータ\r\nデータ数：0\r\n\r\n" +
                  Journal() + kSeparator);
    EXPECT_EQ(dlg->Repaired().counters.CorrectedRowCount, 252); // the document of both columns once
    const std::string log = Log();
    EXPECT_NE(log.find("【Success】,A,UserOrGroupのSN(5)を削除しました(UserID=1x, UserSpace=S, "
                       "Account=acc5, Domain=D),,"),
              std::string::npos);
    EXPECT_NE(log.find("UserOrGroupのSN(6)に関連するConfigurationHistory(文書番号=1004)の"
                       "CreateUserSNをSN(1)(Admin@DOM)に補正しました"),
              std::string::npos);
    EXPECT_NE(log.find("UserOrGroupのSN(6)に関連するConfigurationHistory(文書番号=1004)の"
                       "ReserveUserSNをSN(1)(Admin@DOM)に補正しました"),
              std::string::npos);
    std::size_t versionLines = 0;
    for (std::size_t at = log.find(")のUpdateUserSNをSN(1)"); at != std::string::npos;
         at = log.find(")のUpdateUserSNをSN(1)", at + 1))
        ++versionLines;
    EXPECT_EQ(versionLines, 250u);
    EXPECT_LT(log.find("【Success】,補正したデータ データ数：252  ,,,"),
              log.find("【Success】,Aのデータ補正を終了しました。,,,"));
    EXPECT_EQ(AccountDisplayName({"2", "Yamada", ""}), "Yamada");

    EXPECT_EQ(view.progress.rangeMax, 22);
    EXPECT_EQ(view.progress.position, 22);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_EQ(dlg->Shown(), MendoraView::RepairResult);
    EXPECT_FALSE(view.Visible(kButton1));
    EXPECT_EQ(view.Text(kButton2), Ansi("閉じる"));
    EXPECT_TRUE(view.Enabled(kButton2));
    EXPECT_TRUE(view.Visible(IDC_BACK_TO_LIST));
    EXPECT_EQ(view.controls[IDC_BACK_TO_LIST].leftOf, kButton2);
    EXPECT_TRUE(view.closeCommand);
    ExpectOnlyEvent(kEventRepairCommitted,
                    {"A", "252", "0", "\r\n" + Ansi("記録ファイル: ") + dlg->Repaired().journal});
}

TEST_F(RepairRun, OnlyDocumentTypesNeedNoTransaction) {
    server.answers.erase(kSuspectUserQuery);
    DocTypeFindings(3);
    Check(0);
    dlg->Ok();
    EXPECT_FALSE(Sent("BEGIN TRANSACTION"));
    EXPECT_EQ(server.connects, 1); // the check's session only
    EXPECT_EQ(docTypeStatements.size(), 5u);
    EXPECT_EQ(docTypeStatements.back(), FormatText(kDocNumberFormatUpdate, {"3"}));
    EXPECT_EQ(view.progress.rangeMax, 1);
    EXPECT_EQ(view.progress.position, 1);
    EXPECT_EQ(ReportTail("以下の補正を行いました。"),
              "以下の補正を行いました。\r\n" + kSeparator + "文書タイプ:\r\n\r\n" +
                  "補正した文書タイプ情報\r\n文書タイプ数：3\r\n\r\n" + Journal() + kSeparator);
    const std::string log = Log();
    EXPECT_NE(log.find("【Success】,文書タイプ,文書タイプ名(見積書)のDocNumberFormatを初期値に補"
                       "正しました。,,"),
              std::string::npos);
    EXPECT_LT(log.find("【Success】,文書タイプの補正を開始しました。"),
              log.find("【Success】,文書タイプの補正を終了しました。"));
    EXPECT_EQ(log.find("データ補正を終了しました"), std::string::npos);
    EXPECT_EQ(dlg->Shown(), MendoraView::RepairResult);
}

TEST_F(RepairRun, NothingFoundStillTellsTheRun) {
    TestHost followed(Tool::Mendora, kMendoraChecks);
    const RepairRunResult result =
        RunRepair(CabinetRecord{}, CabinetCheckResult{}, Account{}, Run(Tool::Mendora), followed);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.users, UserRepairOutcome::NotRun);
    EXPECT_EQ(Utf8FromAnsi(followed.report),
              "以下の補正を行いました。\r\n" + kSeparator + kSeparator);
    EXPECT_EQ(waits, (std::vector<int>{500}));
}

// Whichever statement of the user repair before COMMIT fails, the run stops there and rolls
// back, and no transaction stays open.
TEST_F(RepairRun, EveryStatementThatFailsEndsTheRunRolledBack) {
    CabinetCheckResult check;
    check.outcome = Outcome::Done;
    check.users = {2, {"5", "6"}, 0};
    const CabinetRecord cabinet = inventory->Entry(0).cabinets[0];
    const Account heir{"1", "Admin", "DOM"};
    TestHost whole(Tool::Mendora, kMendoraChecks);
    ASSERT_EQ(RunRepair(cabinet, check, heir, Run(Tool::Mendora), whole).outcome, Outcome::Done);
    std::vector<std::string> statements = server.received;
    ASSERT_EQ(statements.back(), "COMMIT");
    statements.pop_back(); // a lost COMMIT has a test of its own
    for (const std::string& failing : statements) {
        server.received.clear();
        journals.files.clear(); // one journal name a second
        server.failing = {failing};
        TestHost followed(Tool::Mendora, kMendoraChecks);
        const RepairRunResult result =
            RunRepair(cabinet, check, heir, Run(Tool::Mendora), followed);
        EXPECT_EQ(result.outcome, Outcome::Failed) << failing;
        EXPECT_EQ(result.users,
                  failing == "COMMIT" ? UserRepairOutcome::Unknown : UserRepairOutcome::RolledBack)
            << failing;
        EXPECT_FALSE(followed.transactionOpen) << failing;
        ASSERT_FALSE(server.received.empty()) << failing;
        const std::string last = server.received.back();
        EXPECT_EQ(last, failing == "BEGIN TRANSACTION" ? failing : "ROLLBACK") << failing;
        const bool rolledBack =
            Utf8FromAnsi(followed.report).find(kRolledBack) != std::string::npos;
        EXPECT_EQ(rolledBack, failing != "BEGIN TRANSACTION") << failing;
    }
}

TEST_F(RepairRun, AFailedSelectRollsTheTransactionBack) {
    ChooseAccount(0, 0);
    server.failing.insert(Lookup("VersionSeries", "6"));
    dlg->Ok();
    EXPECT_EQ(Messages(), "VersionSeriesの取得に失敗しました。\n");
    EXPECT_TRUE(Sent("ROLLBACK"));
    EXPECT_FALSE(Sent("COMMIT"));
    EXPECT_EQ(ReportTail("キャビネット: A\r\n\r\n削除"),
              "キャビネット: A\r\n\r\n削除したユーザー情報\r\nユーザー情報数:2\r\n\r\n" +
                  kRolledBack + "\r\n\r\n" + kSeparator);
    const std::string log = Log();
    // The lines of what was attempted stay, the rolled-back line follows them.
    EXPECT_LT(log.find("ConfigurationHistory(文書番号=1004)のReserveUserSN"),
              log.find("【Failure】," + kRolledBack + ",,,"));
    EXPECT_EQ(log.find("補正したデータ"), std::string::npos);
    EXPECT_EQ(log.find("データ補正を終了しました"),
              std::string::npos); // no success after a rollback
    EXPECT_TRUE(view.closeCommand);
    EXPECT_TRUE(view.Enabled(kButton2));
    EXPECT_EQ(server.disconnects, server.connects);
    ExpectOnlyEvent(kEventRepairRolledBack, {"A", Ansi("VersionSeriesの取得に失敗しました。")});
}

TEST_F(RepairRun, TheSessionMayNotEndWhileTheTransactionIsOpen) {
    std::vector<std::string> blockedAt;
    server.onStatement = [&](const std::string& sql) {
        if (!view.sessionEndBlockedFor.empty())
            blockedAt.push_back(sql);
    };
    ChooseAccount(0, 0);
    dlg->Ok();
    ASSERT_FALSE(blockedAt.empty());
    EXPECT_EQ(blockedAt.front(), "BEGIN TRANSACTION");
    EXPECT_EQ(blockedAt.back(), "COMMIT");
    EXPECT_TRUE(view.sessionEndBlockedFor.empty());
}

// A COMMIT whose answer is lost: ROLLBACK, the connection ended, and a new one finds out
// from the deleted users whether the repair took effect; each finding says so in its words,
// and only a commit is followed by the counts and the repair's closing line.
class LostCommit : public RepairRun {
protected:
    const std::string look = "select SN from UserOrGroup where SN in (5,6)";
    void Repair(const std::vector<std::string>& usersLeft, bool lookFails = false) {
        server.failing = {"COMMIT"};
        if (lookFails)
            server.failing.insert(look);
        server.Answer(look, usersLeft);
        ChooseAccount(0, 1);
        dlg->Ok();
        EXPECT_EQ(Messages(), "コミットに失敗しました。\n");
        EXPECT_EQ(SentFrom("COMMIT"),
                  (std::vector<std::string>{"COMMIT", "ROLLBACK", "SET LOCK_TIMEOUT 10000", look}));
        EXPECT_TRUE(view.sessionEndBlockedFor.empty());
    }
    void ExpectSaid(const std::string& said, bool committed) {
        EXPECT_NE(Report().find(said), std::string::npos);
        EXPECT_NE(Log().find(said), std::string::npos);
        EXPECT_EQ(Report().find("補正したデータ") != std::string::npos, committed);
        EXPECT_EQ(Log().find("【Success】,Aのデータ補正を終了しました。") != std::string::npos,
                  committed);
    }
};

TEST_F(LostCommit, TheUsersGoneMeanItCommitted) {
    Repair({});
    ExpectSaid("Aのコミットの応答は失われましたが、データ補正はコミットされています。", true);
    ASSERT_FALSE(events.events.empty());
    EXPECT_EQ(events.events[0].id, kEventRepairCommitted);
}

TEST_F(LostCommit, TheUsersStillThereMeanNothingChanged) {
    Repair({"5", "6"});
    ExpectSaid(
        "Aのデータ補正はコミットされませんでした。補正はすべて取り消され、データは変更されていま"
        "せん。",
        false);
    ExpectOnlyEvent(kEventRepairRolledBack, {"A", Ansi("コミットに失敗しました。")});
}

TEST_F(LostCommit, NoAnswerCannotBeTold) {
    Repair({}, true);
    ExpectSaid("Aのデータ補正がコミットされたかどうか確認できません。キャビネットをもう一度チェック"
               "してください。",
               false);
    ExpectOnlyEvent(kEventRepairOutcomeUnknown, {"A", Ansi("コミットに失敗しました。")});
}

TEST_F(RepairRun, ATransactionThatDoesNotBeginChangesNothing) {
    server.failing.insert("BEGIN TRANSACTION");
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_EQ(SentFrom("BEGIN TRANSACTION"), std::vector<std::string>{"BEGIN TRANSACTION"});
    ExpectOnlyEvent(kEventRepairRolledBack, {"A", Ansi("トランザクションに失敗しました。")});
}

// What the repair found inside its transaction is not what the check found: nothing is
// deleted, the transaction is rolled back, and the text says why.
TEST_F(RepairRun, DataChangedSinceTheCheckRollsBack) {
    ChooseAccount(0, 0);
    server.Answer(kSuspectUserQuery, {"5\tacc5\t1x\tD\tS", "6\tacc6\t\tD\tS", "7\tnew\t\tD\tS"});
    dlg->Ok();
    EXPECT_EQ(Messages(),
              "Aのデータはチェックの後に変更されています。データチェックをやり直してください。\n");
    EXPECT_EQ(SentFrom("BEGIN TRANSACTION"),
              (std::vector<std::string>{"BEGIN TRANSACTION", FormatText(kHeirQuery, {"1"}),
                                        kSuspectUserQuery, "ROLLBACK"}));
    EXPECT_NE(Report().find(kRolledBack), std::string::npos);
}

TEST_F(RepairRun, AnHeirNoLongerValidRollsBack) {
    ChooseAccount(0, 1);
    server.answers.erase(FormatText(kHeirQuery, {"2"}));
    dlg->Ok();
    EXPECT_EQ(Messages(),
              "選択したアカウント(SN=2)は有効なアカウントではなくなりました。データチェックを"
              "やり直してください。\n");
    EXPECT_EQ(
        SentFrom("BEGIN TRANSACTION"),
        (std::vector<std::string>{"BEGIN TRANSACTION", FormatText(kHeirQuery, {"2"}), "ROLLBACK"}));
}

// A journal that cannot be opened stops the repair before its transaction; one that cannot
// be written whole rolls it back. Either way the administrator is told why.
TEST_F(RepairRun, NoRepairWithoutItsUndoJournal) {
    ChooseAccount(0, 0);
    journals.refused = true;
    dlg->Ok();
    EXPECT_EQ(Messages(), "補正を取り消すための記録を書き込めません。refused\n");
    EXPECT_FALSE(Sent("BEGIN TRANSACTION"));

    journals.refused = false;
    journals.failFromAppend = 2; // the header is written, the transaction's part is not
    view.messages.clear();
    dlg->Command(IDC_BACK_TO_LIST);
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_EQ(Messages(), "補正を取り消すための記録を書き込めません。disk full\n");
    EXPECT_TRUE(Sent("ROLLBACK"));
    EXPECT_FALSE(Sent("COMMIT"));
    EXPECT_TRUE(dlg->Repaired().journal.empty());
}

TEST_F(RepairRun, AFailedDocumentTypeUpdateKeepsTheOnesBefore) {
    server.answers.erase(kSuspectUserQuery);
    DocTypeFindings(3);
    const auto standard = interpreter;
    interpreter = [standard](const std::string& statement, std::string& output) {
        if (statement != FormatText(kDocNumberFormatUpdate, {"2"}))
            return standard(statement, output);
        output = "[ERROR] 19 constraint failed\r\nSQL: update\r\n";
        return 0u;
    };
    Check(0);
    dlg->Ok();
    EXPECT_EQ(dlg->Repaired().correctedDocTypes, 1);
    EXPECT_EQ(docTypeStatements.size(), 4u); // no third update
    const std::string log = Log();
    EXPECT_NE(log.find("【Failure】,SQLエラー!! : [ERROR] 19 constraint failed,,,"),
              std::string::npos);
    EXPECT_EQ(log.find("文書タイプの補正を終了しました。"), std::string::npos);
    EXPECT_EQ(ReportTail("文書タイプ:"), "文書タイプ:\r\n\r\n" + Journal() + kSeparator);
    EXPECT_TRUE(view.closeCommand);
}

// SNs go into statements unquoted, and a row is only believed when the server counted it.
TEST_F(RepairRun, NothingUnsafeIsSent) {
    server.Answer(kValidAccountQuery, {"1 or 1=1\tAdmin\tDOM"});
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_TRUE(Sent("ROLLBACK"));
    for (const std::string& statement : server.received)
        EXPECT_EQ(statement.find("1 or 1=1"), std::string::npos) << statement;

    server.received.clear();
    server.Answer(kValidAccountQuery, {"1\tAdmin\tDOM"});
    server.answers[Lookup("Container", "5")] = {"101\t0\r\n6\t0", 1}; // a forged second row
    dlg->Command(IDC_BACK_TO_LIST);
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_NE(Messages().find("Containerの取得に失敗しました。"), std::string::npos);
    EXPECT_FALSE(Sent("update Container set CreateUserSN=1 where (CreateUserSN = 5)"));
    EXPECT_TRUE(Sent("ROLLBACK"));
}

TEST_F(RepairRun, ADocumentTypeSnThatIsNotANumberIsNeverSent) {
    server.answers.erase(kSuspectUserQuery);
    docTypeOutput = std::string(kDocTypeHeader) + "2 or 1=1,x,NULL\r\n";
    Check(0);
    dlg->Ok();
    // The undo journal refuses it before any update is run.
    EXPECT_NE(Messages().find("補正を取り消すための記録を書き込めません。"), std::string::npos);
    EXPECT_EQ(docTypeStatements.size(), 2u); // the check's select and the repair's
    EXPECT_EQ(dlg->Repaired().correctedDocTypes, 0);
}

TEST_F(RepairRun, MoreStepsThanTheBarHoldsAreScaledAndEndFull) {
    std::vector<std::string> users; // 11 steps each: 65,538 steps in all
    for (int sn = 1; sn <= 5958; ++sn)
        users.push_back(std::to_string(sn) + "\ta\t\td\ts");
    server.Answer(kSuspectUserQuery, users);
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_EQ(view.progress.rangeMax, 65535);
    EXPECT_EQ(view.progress.position, 65535);
}

} // namespace
