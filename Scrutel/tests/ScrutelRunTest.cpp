#include "ScrutelRun.h"

#include "Application.h"
#include "DocumentContentCheck.h"
#include "FakeProgress.h"
#include "FakeRegistry.h"
#include "LogFile.h"
#include "ScriptedServer.h"
#include "StringTable.h"
#include "TempDirectory.h"
#include "Text.h"
#include "UserRecordCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// The dialog's controls as the run leaves them.
struct FakeView : IScrutelView {
    struct Item {
        std::string name;
        int image;
        std::string state;
        int data;
    };
    std::vector<Item> items;
    std::vector<int> selected; // item data, top-down
    bool okEnabled = false, reportView = false, closeEnabled = true;
    std::string report;
    std::vector<std::pair<std::string, unsigned>> messages;
    FakeProgressWindow progress; // outlives the run's window
    int pumps = 0;

    void ClearList() override { items.clear(); }
    void AddListItem(const std::string& name, int image, const std::string& state,
                     int data) override {
        items.push_back({name, image, state, data});
    }
    std::vector<int> SelectedItems() const override { return selected; }
    void EnableOk(bool enabled) override { okEnabled = enabled; }
    void ShowReportView() override {
        reportView = true;
        closeEnabled = false;
    }
    void ShowReport(const std::string& text) override { report = text; }
    void EnableClose(bool enabled) override { closeEnabled = enabled; }
    void SetWaitCursor(bool) override {}
    int ShowMessage(const std::string& text, unsigned type) override {
        messages.emplace_back(text, type);
        return 1;
    }
    void PumpMessages() override { ++pumps; }
    std::unique_ptr<IProgressWindow> CreateProgressWindow() override {
        struct Forward : IProgressWindow {
            FakeProgressWindow& to;
            explicit Forward(FakeProgressWindow& t) : to(t) {}
            void Show() override { to.Show(); }
            void SetRange(int max) override { to.SetRange(max); }
            void SetPosition(int pos) override { to.SetPosition(pos); }
            void SetText(const std::string& t) override { to.SetText(t); }
            void Repaint() override { to.Repaint(); }
            void Hide() override { to.Hide(); }
        };
        return std::make_unique<Forward>(progress);
    }
};

const char kHeader[] = "CatalogKey,'|',StringValue,'|',StringValue,'|',StringValue,'|',"
                       "StringValue,'|',StringValue,'|',StringValue\r\n";

ZqlStatus Plain(const char* t, ZqlWideChar** out, ZqlAllocFn) {
    const std::size_t n = std::strlen(t);
    *out = static_cast<ZqlWideChar*>(std::malloc((n + 1) * sizeof(ZqlWideChar)));
    for (std::size_t i = 0; i <= n; ++i)
        (*out)[i] = static_cast<unsigned char>(t[i]);
    return 0;
}
ZqlStatus Same(const ZqlWideChar* in, ZqlWideChar** out, ZqlAllocFn) {
    std::size_t n = 0;
    while (in[n])
        ++n;
    *out = static_cast<ZqlWideChar*>(std::malloc((n + 1) * sizeof(ZqlWideChar)));
    std::memcpy(*out, in, (n + 1) * sizeof(ZqlWideChar));
    return 0;
}
ZqlStatus Narrow(const ZqlWideChar* in, char** out, ZqlAllocFn) {
    std::size_t n = 0;
    while (in[n])
        ++n;
    *out = static_cast<char*>(std::malloc(n + 1));
    for (std::size_t i = 0; i <= n; ++i)
        (*out)[i] = static_cast<char>(in[i]);
    return 0;
}
void FreeNarrow(char* p, ZqlReleaseFn) {
    std::free(p);
}
void FreeWide(ZqlWideChar* p, ZqlReleaseFn) {
    std::free(p);
}
const CredentialLibrary kLibrary = {Plain, Same, Narrow, FreeNarrow, FreeWide};

class ScrutelDialog : public ::testing::Test {
protected:
    TempDirectory dir;
    FakeRegistry registry = FakeRegistry::Installation();
    std::string catalogue = std::string(kHeader) + "1,|,A,|,DbA,|,0,|,h,|,u,|,p\r\n"
                                                   "2,|,B,|,DbB,|,1,|,h,|,u,|,p\r\n"
                                                   "3,|,C,|,DbC,|,,|,h,|,u,|,p\r\n";
    ScriptedServer server;
    FakeView view;
    std::uint32_t docTypeStatus = 0;
    std::unique_ptr<CServerInventory> inventory;
    std::unique_ptr<CScrutelRun> run;

    void SetUp() override {
        SetLogFileName("Scrutel.log");
        server.databases = {"DbA", "DbB", "DbC"};
    }
    void Open() {
        inventory = std::make_unique<CServerInventory>(
            CatalogueSources{&registry,
                             [this](const std::string&, std::string& out) {
                                 out = catalogue;
                                 return 0u;
                             },
                             &kLibrary});
        run = std::make_unique<CScrutelRun>(
            view, *inventory, [](int id) { return Ansi(FindString(Tool::Scrutel, id)); },
            [this](const CabinetRecord&) { return server.Unopened(); },
            [this](const std::string&, std::string& output) {
                output = "SN,DisplayName,DocNumberFormat\r\n";
                return docTypeStatus;
            });
        run->Initialise();
    }
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
    ASSERT_EQ(view.items.size(), 3u);
    EXPECT_EQ(view.items[0].name, "A");
    EXPECT_EQ(view.items[0].image, 1);
    EXPECT_EQ(view.items[0].state, Ansi("動作中"));
    EXPECT_EQ(view.items[1].state, Ansi("停止中"));
    EXPECT_EQ(view.items[2].state, Ansi("停止中")); // an empty mode is not "0"
    EXPECT_EQ(view.items[2].image, 0);
    EXPECT_EQ(view.items[2].data, 2);
    EXPECT_FALSE(view.okEnabled);
    view.selected = {1};
    run->UpdateOkButton();
    EXPECT_TRUE(view.okEnabled);
}

TEST_F(ScrutelDialog, EmptyCabinetTableLeavesOnlyCancel) {
    catalogue = kHeader;
    Open();
    EXPECT_TRUE(view.items.empty());
    EXPECT_FALSE(view.okEnabled);
}

TEST_F(ScrutelDialog, CompleteRunReportsEveryCabinetInListOrder) {
    Open();
    server.Answer(kSuspectUserQuery, {"5\ta\tb\td\t"});
    view.selected = {0, 2};
    run->RunCheck();
    const std::string expected = "キャビネット:A\r\n\r\n" + Sections(1) + kSeparator +
                                 "キャビネット:C\r\n\r\n" + Sections(1) + kSeparator +
                                 "エラーがあった文書タイプ情報\r\n文書タイプ数:0\r\n\r\n" +
                                 kSeparator + "詳細はScrutel.logを確認してください。\r\n";
    EXPECT_EQ(Utf8FromAnsi(view.report), expected);
    EXPECT_EQ(view.progress.rangeMax, 13);
    EXPECT_EQ(view.progress.position, 13);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_TRUE(view.reportView);
    EXPECT_TRUE(view.closeEnabled);
    EXPECT_TRUE(view.messages.empty());
    const std::string log = Utf8FromAnsi(dir.Read("Scrutel.log"));
    EXPECT_LT(log.find("【Success】,Aのデータチェックを開始しました。,,,"),
              log.find("【Success】,Aのデータチェックを終了しました。,,,"));
    EXPECT_LT(log.find("Cのデータチェックを終了しました。"),
              log.find("【Success】,文書タイプのデータチェックを開始しました。,,,"));
    EXPECT_NE(log.find("【Success】,文書タイプのデータチェックを終了しました。,,,"),
              std::string::npos);
}

TEST_F(ScrutelDialog, FailedThirdCheckOfTheSecondCabinetEndsTheRun) {
    Open();
    server.failing.insert(Ansi(DocumentContentChecks()[1].statement));
    int calls = 0;
    // The first cabinet's zero-byte check succeeds, the second's fails.
    server.answers.clear();
    run = std::make_unique<CScrutelRun>(
        view, *inventory, [](int id) { return Ansi(FindString(Tool::Scrutel, id)); },
        [this, &calls](const CabinetRecord&) {
            if (++calls == 1)
                server.failing.clear();
            else
                server.failing.insert(Ansi(DocumentContentChecks()[1].statement));
            return server.Unopened();
        },
        [](const std::string&, std::string& out) {
            out = "h\r\n";
            return 0u;
        });
    view.selected = {0, 1, 2};
    run->RunCheck();
    const std::string expected = "キャビネット:A\r\n\r\n" + Sections(0) + kSeparator +
                                 "キャビネット:B\r\n\r\n" +
                                 "エラーがあるユーザー情報\r\nユーザー情報数:0\r\n\r\n"
                                 "セクション数の制限値を超えた文書\r\n文書数:0\r\n\r\n";
    EXPECT_EQ(Utf8FromAnsi(view.report), expected);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].first, Ansi("セクションサイズの取得に失敗しました。"));
    EXPECT_EQ(view.progress.position, 8);
    EXPECT_FALSE(view.progress.visible);
    EXPECT_TRUE(view.closeEnabled);
}

TEST_F(ScrutelDialog, NoNamedCabinetShowsTheMessageAndEnds) {
    catalogue = std::string(kHeader) + "1,|,,|,Db,|,0,|,h,|,u,|,p\r\n";
    Open();
    view.selected = {0};
    run->RunCheck();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              std::make_pair(Ansi("対象ｻｰﾊﾞｰが設定されていません。"), kMbOk | kMbIconExclamation));
    EXPECT_EQ(view.report, "");
    EXPECT_TRUE(view.closeEnabled);
}

TEST_F(ScrutelDialog, FailedLoginEndsTheRunAndKeepsTheDialog) {
    Open();
    run = std::make_unique<CScrutelRun>(
        view, *inventory, [](int id) { return Ansi(FindString(Tool::Scrutel, id)); },
        [](const CabinetRecord&) { return CSqlServerSession("h", "u", "p", SystemServices()); },
        [](const std::string&, std::string&) { return 0u; });
    view.selected = {1};
    run->RunCheck();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].first, Ansi("SQLServerへの接続に失敗しました。"));
    EXPECT_EQ(view.messages[0].second, kMbOk | kMbIconStop);
    EXPECT_EQ(Utf8FromAnsi(view.report), "キャビネット:B\r\n\r\n");
    EXPECT_TRUE(view.closeEnabled);
    EXPECT_NE(dir.Read("Scrutel.log").find(",00000000,00000000,SQLServer Connect Error.\r\n"),
              std::string::npos);
}

} // namespace
