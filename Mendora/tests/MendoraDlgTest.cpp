#include "MendoraTestBed.h"

namespace {

TEST_F(MendoraDialog, FromTheCabinetListThroughTheCheckResultToTheAccountList) {
    Open();
    EXPECT_EQ(dlg->Shown(), MendoraView::CabinetList);
    EXPECT_FALSE(view.Enabled(kButton1));
    EXPECT_TRUE(view.lists[IDC_ACCOUNT_LIST].fullRowSelect);
    EXPECT_EQ(view.lists[IDC_ACCOUNT_LIST].columns.size(), 3u);

    SuspectUser("5");
    server.Answer(LookupStatement(RelatedRecordLookups()[0], kMendoraChecks, "5"), {"101\t0"});
    DocTypeFindings(1);
    Check(0);
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);
    EXPECT_EQ(Report(), kChecked + kSeparator + "キャビネット: A\r\n\r\n" +
                            "エラーがあるユーザー情報\r\nユーザー情報数:1\r\n\r\n"
                            "関連するデータ\r\nデータ数：1\r\n\r\n"
                            "エラーがあった文書タイプ情報\r\n文書タイプ数:1\r\n\r\n" +
                            kSeparator + "\r\n");
    EXPECT_TRUE(view.Visible(IDC_REPORT));
    EXPECT_FALSE(view.Visible(IDC_CABINET_LIST));
    EXPECT_EQ(view.Text(kButton1), Ansi("補正実行"));
    EXPECT_TRUE(view.Enabled(kButton1));
    EXPECT_EQ(view.Text(kButton2), Ansi("終了"));
    EXPECT_TRUE(view.Enabled(kButton2));
    EXPECT_TRUE(view.Visible(IDC_BACK_TO_LIST));
    EXPECT_EQ(view.controls[IDC_BACK_TO_LIST].leftOf, kButton1);
    EXPECT_EQ(view.scrolledToEnd, 1);
    EXPECT_EQ(view.progress.rangeMax, 2);
    EXPECT_EQ(view.progress.position, 2);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_TRUE(view.closeCommand);
    EXPECT_EQ(waits, (std::vector<int>{500, 500}));
    EXPECT_EQ(dlg->InvalidUsers().InvalidUserSNs, (std::vector<std::string>{"5"}));
    const std::string log = Log();
    EXPECT_LT(log.find("【Success】,Aのデータチェックを開始しました。,,,"),
              log.find("【Success】,文書タイプのデータチェックを開始しました。,,,"));
    EXPECT_LT(log.find("【Success】,文書タイプのデータチェックを終了しました。,,,"),
              log.find("【Success】,Aのデータチェックを終了しました。,,,"));

    server.Answer(kValidAccountQuery, {"1  \tAdmin \tDOM", "3\tsato\t"});
    dlg->Ok();
    EXPECT_EQ(dlg->Shown(), MendoraView::AccountList);
    EXPECT_TRUE(view.Visible(IDC_ACCOUNT_LIST));
    EXPECT_FALSE(view.Visible(IDC_REPORT));
    EXPECT_EQ(view.Rows(IDC_ACCOUNT_LIST), (std::vector<std::string>{"1|Admin|DOM", "3|sato|"}));
    EXPECT_EQ(view.Text(kButton1), "OK");
    EXPECT_FALSE(view.Enabled(kButton1));
    EXPECT_EQ(view.Text(kButton2), Ansi("キャンセル"));
    EXPECT_FALSE(view.Visible(IDC_BACK_TO_LIST));
    Select(IDC_ACCOUNT_LIST, {1});
    EXPECT_TRUE(view.Enabled(kButton1));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(server.connects, 2);
    EXPECT_EQ(server.disconnects, 2); // no session outlives its press
}

TEST_F(MendoraDialog, TheCheckResultDecidesTheNextStep) {
    Open();
    DocTypeFindings(2); // document types only: the repair comes without an account list
    Check(0);
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);
    EXPECT_TRUE(view.Enabled(kButton1));
    EXPECT_TRUE(view.Visible(IDC_REPORT));

    dlg->Command(IDC_BACK_TO_LIST);
    DocTypeFindings(0); // nothing to repair
    Check(1);
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);
    EXPECT_EQ(view.Text(kButton1), Ansi("補正実行"));
    EXPECT_FALSE(view.Enabled(kButton1));
    EXPECT_TRUE(view.Visible(IDC_BACK_TO_LIST));
}

TEST_F(MendoraDialog, AnUnreachableServerShowsEachFailureAndLeavesNothingToRepair) {
    DialogServices services = Services(kMendoraProfile);
    services.run.makeSession = [this](const CabinetRecord&) {
        return CSqlServerSession("h", "enc:u", "enc:p", &kFakeCredentialLibrary,
                                 SystemServiceManager(), CreateOdbcConnection, log);
    };
    Open(services);
    DocTypeFindings(3);
    Check(2);
    EXPECT_EQ(Messages(), "SQLServerへの接続に失敗しました。\n"
                          "データベースへの接続に失敗しました。\n"
                          "UserOrGroupの取得に失敗しました。\n");
    EXPECT_EQ(Report(), kChecked + kSeparator + "キャビネット: C\r\n\r\n" + kSeparator + "\r\n");
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);
    EXPECT_FALSE(view.Enabled(kButton1));
    EXPECT_TRUE(view.Enabled(kButton2));
    EXPECT_TRUE(view.closeCommand);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_NE(Log().find(",00000000,00000000,SQLServer Connect Error.\n"), std::string::npos);
    EXPECT_NE(Log().find(",00000000,00000000,DataBase Connect Error.\n"), std::string::npos);
}

// A repair deletes every suspect user but hands over only the records the check listed:
// a check that stopped half-way must not offer it.
TEST_F(MendoraDialog, AUserCheckThatStopsHalfWayOffersNoRepair) {
    Open();
    server.Answer(kSuspectUserQuery, {"5\ta\t\td\ts", "6\tb\t\td\ts"});
    server.failing.insert(LookupStatement(RelatedRecordLookups()[0], kMendoraChecks, "6"));
    DocTypeFindings(1);
    Check(0);
    EXPECT_EQ(Messages(), "Containerの取得に失敗しました。\n");
    EXPECT_EQ(dlg->InvalidUsers().InvalidUserCount, 0);
    EXPECT_EQ(dlg->DocTypeFindingCount(), 0);
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);
    EXPECT_FALSE(view.Enabled(kButton1));
}

TEST_F(MendoraDialog, ServersOutsideTheRunAreNamedAndNoKeepsTheListForTheNextPress) {
    registry = FakeRegistry::Installation(true, 0x200 | 0x400);
    Open();
    view.yesNoAnswer = 7; // No
    Check(0);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(Utf8FromAnsi(view.messages[0].first),
              "対象でないｻｰﾊﾞｰが存在します。よろしいですか？\n    Corlith");
    EXPECT_EQ(view.messages[0].second, kMbYesNo | kMbIconQuestion);
    EXPECT_EQ(dlg->Shown(), MendoraView::CabinetList);
    EXPECT_TRUE(view.Visible(IDC_CABINET_LIST));

    view.yesNoAnswer = kIdYes;
    dlg->Ok();
    EXPECT_EQ(view.messages.size(), 2u); // asked again
    EXPECT_EQ(dlg->Shown(), MendoraView::CheckResult);

    catalogue = kCatalogueHeader; // no cabinet: no server to work on
    Open();
    dlg->Ok();
    EXPECT_EQ(view.messages.back(),
              std::make_pair(Ansi("対象ｻｰﾊﾞｰが設定されていません。"), kMbOk | kMbIconExclamation));
    EXPECT_EQ(dlg->Shown(), MendoraView::CabinetList);
}

TEST_F(MendoraDialog, BackToTheListThenASecondCabinetReplacesReportAndAccounts) {
    Open();
    SuspectUser("5");
    server.Answer(kValidAccountQuery, {"1\tAdmin\tDOM"});
    Check(0);
    dlg->Ok();
    ASSERT_EQ(view.lists[IDC_ACCOUNT_LIST].items.size(), 1u);

    dlg->Command(IDC_BACK_TO_LIST);
    EXPECT_EQ(dlg->Shown(), MendoraView::CabinetList);
    EXPECT_TRUE(view.Visible(IDC_CABINET_LIST));
    EXPECT_FALSE(view.Visible(IDC_ACCOUNT_LIST));
    EXPECT_TRUE(view.lists[IDC_CABINET_LIST].selected.empty());
    EXPECT_FALSE(view.Enabled(kButton1));
    EXPECT_EQ(view.Text(kButton1), "OK");
    EXPECT_FALSE(view.Visible(IDC_BACK_TO_LIST));

    server.answers.erase(kValidAccountQuery); // the second cabinet has no valid account
    Check(1);
    EXPECT_EQ(Report().rfind(kChecked + kSeparator + "キャビネット: B\r\n\r\n", 0), 0u);
    EXPECT_EQ(Report().find("キャビネット: A"), std::string::npos);
    dlg->Ok();
    EXPECT_TRUE(view.Visible(IDC_ACCOUNT_LIST));
    EXPECT_TRUE(view.lists[IDC_ACCOUNT_LIST].items.empty());
    EXPECT_FALSE(view.Enabled(kButton1));
}

TEST_F(MendoraDialog, AFailedAccountQueryEndsTheDialog) {
    Open();
    SuspectUser("5");
    server.failing.insert(kValidAccountQuery);
    Check(0);
    dlg->Ok();
    EXPECT_EQ(Messages(),
              "アカウント一覧の取得に失敗しました。\nユーザー一覧の取得に失敗しました。\n");
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(server.disconnects, server.connects);
}

} // namespace
