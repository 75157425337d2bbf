#include "ScrutelDlg.h"
#include "ScrutelProfile.h"

#include "DialogTestBed.h"
#include "DocumentContentCheck.h"
#include "LogFile.h"
#include "UserRecordCheck.h"

namespace {

class ScrutelDialog : public DialogTestBed {
protected:
    std::unique_ptr<CScrutelDlg> run;

    void SetUp() override { view.HiddenAtStart({IDC_REPORT}); }
    void Open() {
        run = std::make_unique<CScrutelDlg>(view, Inventory(), Services(kScrutelProfile));
        run->Initialise();
    }
    void Select(std::vector<int> items) { view.lists[IDC_CABINET_LIST].selected = items; }
    bool CloseEnabled() { return view.closeCommand && view.Enabled(kButton2); }
    std::string Sections(int users) {
        return "エラーがあるユーザー情報\r\nユーザー情報数:" + std::to_string(users) +
               "\r\n\r\nセクション数の制限値を超えた文書\r\n文書数:0\r\n\r\n0バイトのセクション\r\n"
               "セクション数:0\r\n\r\nサイズの制限値を超えたセクション\r\nセクション数:0\r\n\r\n"
               "チェックアウト中の文書\r\n文書数:0\r\n\r\n未対応拡張子のセクション\r\nセクション数:"
               "0\r\n\r\n";
    }
};

const std::string kSeparator = "----------------------------------------------------------\r\n\r\n";

TEST_F(ScrutelDialog, ListShowsNamesStatesAndImages) {
    Open();
    const std::vector<FakeDialogView::Item>& items = view.lists[IDC_CABINET_LIST].items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].texts[0], "A");
    EXPECT_EQ(items[0].image, 1);
    EXPECT_EQ(items[0].texts[1], Ansi("動作中"));
    EXPECT_EQ(items[1].texts[1], Ansi("停止中"));
    EXPECT_EQ(items[2].texts[1], Ansi("停止中")); // an empty mode is not "0"
    EXPECT_EQ(items[2].image, 0);
    EXPECT_EQ(items[2].data, 2);
    EXPECT_FALSE(view.Enabled(kButton1));
    Select({1});
    run->UpdateOkButton();
    EXPECT_TRUE(view.Enabled(kButton1));
}

TEST_F(ScrutelDialog, EmptyCabinetTableLeavesOnlyCancel) {
    catalogue = kCatalogueHeader;
    Open();
    EXPECT_TRUE(view.lists[IDC_CABINET_LIST].items.empty());
    EXPECT_FALSE(view.Enabled(kButton1));
}

TEST_F(ScrutelDialog, CompleteRunReportsEveryCabinetInListOrder) {
    Open();
    server.Answer(kSuspectUserQuery, {"5\ta\tb\td\t"});
    Select({0, 2});
    run->Ok();
    const std::string expected = "キャビネット:A\r\n\r\n" + Sections(1) + kSeparator +
                                 "キャビネット:C\r\n\r\n" + Sections(1) + kSeparator +
                                 "エラーがあった文書タイプ情報\r\n文書タイプ数:0\r\n\r\n" +
                                 kSeparator + "詳細はScrutel.logを確認してください。\r\n";
    EXPECT_EQ(Utf8FromAnsi(view.Text(IDC_REPORT)), expected);
    EXPECT_EQ(view.progress.rangeMax, 13);
    EXPECT_EQ(view.progress.position, 13);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_TRUE(view.Visible(IDC_REPORT));
    EXPECT_TRUE(CloseEnabled());
    EXPECT_TRUE(view.messages.empty());
    const std::string log = this->log.Utf8Text();
    EXPECT_LT(log.find("【Success】,Aのデータチェックを開始しました。,,,"),
              log.find("【Success】,Aのデータチェックを終了しました。,,,"));
    EXPECT_LT(log.find("Cのデータチェックを終了しました。"),
              log.find("【Success】,文書タイプのデータチェックを開始しました。,,,"));
    EXPECT_NE(log.find("【Success】,文書タイプのデータチェックを終了しました。,,,"),
              std::string::npos);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].id, kEventCheckRunEnded);
    EXPECT_EQ(events.events[0].level, EventLevel::Warning); // something was found
    EXPECT_EQ(events.events[0].inserts,
              (std::vector<std::string>{"A, C", "2", Ansi("すべてのチェックが完了しました")}));
}

TEST_F(ScrutelDialog, FailedThirdCheckOfTheSecondCabinetEndsTheRun) {
    Open();
    docTypeOutput = "h\r\n";
    int calls = 0;
    // The first cabinet's zero-byte check succeeds, the second's fails.
    DialogServices services = Services(kScrutelProfile);
    services.run.makeSession = [this, &calls](const CabinetRecord&) {
        if (++calls == 1)
            server.failing.clear();
        else
            server.failing.insert(Ansi(DocumentContentChecks()[1].statement));
        return server.Unopened();
    };
    run = std::make_unique<CScrutelDlg>(view, *inventory, services);
    Select({0, 1, 2});
    run->Ok();
    const std::string expected = "キャビネット:A\r\n\r\n" + Sections(0) + kSeparator +
                                 "キャビネット:B\r\n\r\n" +
                                 "エラーがあるユーザー情報\r\nユーザー情報数:0\r\n\r\n"
                                 "セクション数の制限値を超えた文書\r\n文書数:0\r\n\r\n";
    EXPECT_EQ(Utf8FromAnsi(view.Text(IDC_REPORT)), expected);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].first, Ansi("セクションサイズの取得に失敗しました。"));
    EXPECT_EQ(view.progress.position, 8);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_TRUE(CloseEnabled());
    EXPECT_EQ(server.disconnects, server.connects); // the failed cabinet's session is closed
    ASSERT_EQ(events.events.size(), 2u);
    EXPECT_EQ(events.events[0].id, kEventCheckFailed);
    EXPECT_EQ(events.events[0].inserts,
              (std::vector<std::string>{"B", Ansi("セクションサイズの取得に失敗しました。")}));
    EXPECT_EQ(events.events[1].id, kEventCheckRunEnded);
    EXPECT_EQ(events.events[1].level, EventLevel::Error);
    EXPECT_EQ(events.events[1].inserts,
              (std::vector<std::string>{"A, B, C", "0", Ansi("チェックが中断されました")}));
}

TEST_F(ScrutelDialog, NoNamedCabinetShowsTheMessageAndEnds) {
    catalogue = std::string(kCatalogueHeader) + "1,|,,|,Db,|,0,|,h,|,enc:u,|,enc:p\r\n";
    Open();
    Select({0});
    run->Ok();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              std::make_pair(Ansi("対象ｻｰﾊﾞｰが設定されていません。"), kMbOk | kMbIconExclamation));
    EXPECT_EQ(view.Text(IDC_REPORT), "");
    EXPECT_TRUE(CloseEnabled());
}

TEST_F(ScrutelDialog, FailedLoginEndsTheRunAndKeepsTheDialog) {
    Open();
    DialogServices services = Services(kScrutelProfile);
    services.run.makeSession = [this](const CabinetRecord&) {
        return CSqlServerSession("h", "enc:u", "enc:p", &kFakeCredentialLibrary,
                                 SystemServiceManager(), CreateOdbcConnection, log);
    };
    run = std::make_unique<CScrutelDlg>(view, *inventory, services);
    Select({1});
    run->Ok();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].first, Ansi("SQLServerへの接続に失敗しました。"));
    EXPECT_EQ(view.messages[0].second, kMbOk | kMbIconStop);
    EXPECT_EQ(Utf8FromAnsi(view.Text(IDC_REPORT)), "キャビネット:B\r\n\r\n");
    EXPECT_TRUE(CloseEnabled());
    EXPECT_NE(log.Utf8Text().find(",00000000,00000000,SQLServer Connect Error.\n"),
              std::string::npos);
    const auto failed = events.Of(kEventCheckFailed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].inserts,
              (std::vector<std::string>{"B", Ansi("SQLServerへの接続に失敗しました。")}));
}

} // namespace
