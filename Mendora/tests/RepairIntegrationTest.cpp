// The repair on real data: Mendora's dialog over a fake window, its sessions on the SQL
// Server stand-in serving the demo cabinets (repair_fixture.py). Each test puts the
// cabinets' pristine files back first. What a cabinet holds is compared by its user columns
// (testbed/demo/user-columns.txt), the same dump the Wine test makes of the real program's
// work. VT_WRITE_EXPECTED=1 writes the dumps to expected/ instead, for review.
#include "MendoraTestBed.h"
#include "UndoJournal.h"
#include "UndoJournalStore.h"

#include "SqlServerStandin.h"
#include "TestHost.h"
#include "TokenList.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using standin::ReadFile;

const std::string kPassword = "Velmora-sa-1";

fs::path DataFolder() {
    return standin::DataFolder();
}

class RepairOnStandin : public MendoraDialog {
protected:
    void SetUp() override {
        MendoraDialog::SetUp();
        for (const char* database : {"Eigyo", "Hostile"})
            fs::copy_file(DataFolder() / (std::string(database) + ".pristine"),
                          DataFolder() / (std::string(database) + ".sqlite"),
                          fs::copy_options::overwrite_existing);
        fs::remove(DataFolder() / "faults.json");
        const std::string host = standin::Host();
        catalogue = std::string(kCatalogueHeader) + "1,|," + Ansi("営業部") + ",|,Eigyo,|,0,|," +
                    host + ",|,enc:sa,|,enc:" + kPassword + "\r\n2,|,Hostile,|,Hostile,|,0,|," +
                    host + ",|,enc:sa,|,enc:" + kPassword + "\r\n";
        DialogServices services = Services(kMendoraProfile);
        services.run.makeSession = [this](const CabinetRecord& record) {
            return CSqlServerSession(record.databaseHost, record.encodedUser,
                                     record.encodedPassword, &kFakeCredentialLibrary,
                                     standin::Services(), CreateOdbcConnection, log);
        };
        Open(services);
    }
    void TearDown() override { fs::remove(DataFolder() / "faults.json"); }

    // The cabinet's user columns, as testbed/demo/dump_cabinet.py prints them.
    static std::string Tables(const std::string& database) {
        CSqlServerSession session(standin::Host(), "enc:sa", std::string("enc:") + kPassword,
                                  &kFakeCredentialLibrary, standin::Services(),
                                  CreateOdbcConnection, FileLog());
        EXPECT_EQ(session.Connect(), Outcome::Done);
        EXPECT_EQ(session.SelectDatabase(database), Outcome::Done);
        std::ifstream columns(VT_SOURCE_DIR "/testbed/demo/user-columns.txt");
        std::string dump, line;
        while (std::getline(columns, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            const std::size_t tab = line.find('\t');
            const std::string table = line.substr(0, tab);
            std::string text;
            long rows = 0;
            EXPECT_EQ(session.ExecuteQuery("select " + line.substr(tab + 1) + " from " + table +
                                               " order by SN",
                                           text, rows),
                      Outcome::Done);
            dump += "== " + table + "\n";
            std::vector<std::string> pieces;
            SplitText(text, "\r\n", pieces);
            for (long row = 0; row < rows; ++row) {
                std::string values = pieces[static_cast<std::size_t>(row)];
                for (char& c : values)
                    c = c == '\t' ? '|' : c;
                dump += Utf8FromAnsi(values) + "\n";
            }
        }
        session.ReleaseDatabase();
        session.Disconnect();
        return dump;
    }
    static void InjectFailure(const std::string& statement) {
        std::ofstream(DataFolder() / "faults.json")
            << "{\"fail\": [{\"matching\": \"" << statement << "\"}]}";
    }
};

// Compares a text with an expected file of Mendora/tests/expected, or writes it there.
void ExpectFile(const std::string& actual, const std::string& name) {
    const std::string path = VT_SOURCE_DIR "/Mendora/tests/expected/" + name;
    if (std::getenv("VT_WRITE_EXPECTED"))
        std::ofstream(path, std::ios::binary) << actual;
    EXPECT_EQ(actual, ReadFile(path)) << "see " << path;
}

TEST_F(RepairOnStandin, RepairsEigyoAsExpected) {
    ChooseAccount(0, 0); // 管理者, SN 1
    dlg->Ok();
    EXPECT_TRUE(view.messages.empty()) << Messages();
    ExpectFile(Tables("Eigyo"), "Eigyo-repaired.txt");
    // The repair's lines, from its start to its end.
    std::string lines;
    for (const std::string& line : log.Utf8Lines())
        if (!lines.empty() || line.find("営業部のデータ補正を開始しました") != std::string::npos)
            lines += line + "\n";
    // The line naming the undo journal comes last but the closing one; its name has the time.
    const std::string journal =
        "【Success】,補正を取り消すための記録: " + Utf8FromAnsi(dlg->Repaired().journal) + ",,,\n";
    const std::size_t at = lines.find(journal);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(lines.substr(at + journal.size()),
              "【Success】,営業部のデータ補正を終了しました。,,,\n");
    lines.erase(at, journal.size());
    ExpectFile(lines, "Eigyo-repair-log.txt");
    EXPECT_NE(Report().find("削除したユーザー情報\r\nユーザー情報数:9\r\n\r\n補正したデータ"),
              std::string::npos);
}

// The repair's undo journal holds every row it deleted, whole, and every value it handed
// over, and it is the file whose SHA-256 the tools' key records.
TEST_F(RepairOnStandin, TheJournalHoldsTheWholeRepair) {
    ChooseAccount(0, 0); // 管理者, SN 1
    dlg->Ok();
    const std::string path = dlg->Repaired().journal;
    ASSERT_EQ(journals.files.count(FileNameOf(path)), 1u) << path;
    const std::string& bytes = journals.files[FileNameOf(path)];
    EXPECT_EQ(CheckUndoJournalHash(toolKey, path, bytes), JournalHashCheck::Matches);
    UndoJournal journal;
    std::string why;
    ASSERT_EQ(ReadUndoJournal(bytes, RepairJournalScope(), journal, why), Outcome::Done) << why;
    EXPECT_TRUE(journal.ready);
    EXPECT_EQ(journal.header.database, "Eigyo");
    std::map<std::string, std::size_t> deleted;
    for (const JournalTable& table : journal.deleted)
        deleted[table.name] += table.rows.size();
    EXPECT_EQ(deleted["UserOrGroup"], 9u);
    EXPECT_EQ(deleted["AccessControlList"] + deleted["SearchRight"], 3u);
    EXPECT_EQ(journal.changes.size(), 22u); // 21 rows, one of them with two columns
    for (const JournalChange& change : journal.changes)
        EXPECT_EQ(change.written, std::optional<std::string>("1")) << change.table << change.sn;
}

// The answer to COMMIT lost after the server committed: a new connection finds the deleted
// users gone, and the report says the repair was committed, as it was.
TEST_F(RepairOnStandin, ALostCommitAnswerIsToldAsCommitted) {
    std::ofstream(DataFolder() / "faults.json") << R"({"lose": [{"matching": "COMMIT"}]})";
    ChooseAccount(0, 0);
    dlg->Ok();
    ExpectFile(Tables("Eigyo"), "Eigyo-repaired.txt");
    EXPECT_NE(
        Report().find("営業部のコミットの応答は失われましたが、データ補正はコミットされています。"),
        std::string::npos)
        << Report();
    EXPECT_EQ(dlg->Repaired().users, UserRepairOutcome::Committed);
}

// What the repair must not rest on: a user who became suspect since the check, or a journal
// that cannot be written. Either way the transaction is rolled back and the tables stay.
TEST_F(RepairOnStandin, NothingChangesWhenTheRepairCannotBeTrusted) {
    ChooseAccount(0, 0);
    CSqlServerSession eigyo(standin::Host(), "enc:sa", std::string("enc:") + kPassword,
                            &kFakeCredentialLibrary, standin::Services(), CreateOdbcConnection,
                            FileLog());
    ASSERT_EQ(eigyo.Connect(), Outcome::Done);
    ASSERT_EQ(eigyo.SelectDatabase("Eigyo"), Outcome::Done);
    ASSERT_EQ(eigyo.ExecuteStatement("update UserOrGroup set UserSpace = '' where SN = 3"),
              Outcome::Done);
    eigyo.ReleaseDatabase();
    eigyo.Disconnect();
    const std::string changed = Tables("Eigyo");
    dlg->Ok();
    EXPECT_EQ(Tables("Eigyo"), changed);
    EXPECT_NE(Messages().find("営業部のデータはチェックの後に変更されています。"),
              std::string::npos);

    SetUp();                     // a fresh cabinet
    journals.failFromAppend = 2; // the header is written, the transaction's part is not
    const std::string before = Tables("Eigyo");
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_EQ(Tables("Eigyo"), before);
    EXPECT_NE(Messages().find("補正を取り消すための記録を書き込めません。"), std::string::npos);
}

// Each statement of the repair, and its COMMIT, failing in turn: the transaction is rolled
// back and the cabinet is as it was, and the report and the log say so (of a failed COMMIT,
// as a new connection finds it: not committed).
class FailureOnStandin : public RepairOnStandin,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(FailureOnStandin, LeavesTheCabinetAsItWas) {
    const std::string before = Tables("Eigyo");
    InjectFailure(GetParam());
    ChooseAccount(0, 0);
    dlg->Ok();
    EXPECT_EQ(Tables("Eigyo"), before);
    const std::string rolledBack =
        GetParam() == std::string("COMMIT")
            ? "営業部のデータ補正はコミットされませんでした。補正はすべて取り消され、データは変更さ"
              "れていません。"
            : "営業部のデータ補正に失敗しました。補正はすべて取り消され、データは変更されていません"
              "。";
    EXPECT_NE(Report().find(rolledBack + "\r\n\r\n"), std::string::npos);
    EXPECT_NE(Log().find("【Failure】," + rolledBack + ",,,"), std::string::npos);
    EXPECT_EQ(Report().find("補正したデータ"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EveryStatement, FailureOnStandin,
                         ::testing::Values("delete from UserOrGroup", "update Container",
                                           "update ConfigurationHistory set CreateUserSN",
                                           "update ConfigurationHistory set ReserveUserSN",
                                           "update Shortcut", "update ReferenceRelationShip",
                                           "update VersionSeries", "update VersionDescription",
                                           "update DocVersion", "update DocType", "update WordBook",
                                           "delete from AccessControlList",
                                           "delete from SearchRight", "COMMIT"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

// Tabs, line breaks and a NUL inside values forge neither rows nor columns: the account
// name of user 20 reads as a second suspect user 5 unless the values are cleaned.
TEST_F(RepairOnStandin, ValuesCannotForgeRows) {
    TestHost scrutel(Tool::Mendora, kMendoraChecks);
    CSqlServerSession session(standin::Host(), "enc:sa", std::string("enc:") + kPassword,
                              &kFakeCredentialLibrary, standin::Services(), CreateOdbcConnection,
                              FileLog());
    ASSERT_EQ(session.Connect(), Outcome::Done);
    ASSERT_EQ(session.SelectDatabase("Hostile"), Outcome::Done);
    CabinetRecord record{};
    std::snprintf(record.shortName, sizeof record.shortName, "Hostile");
    UserCheckResult found;
    ASSERT_EQ(CheckUserRecords(scrutel, record, session, found), Outcome::Done);
    session.ReleaseDatabase();
    session.Disconnect();
    EXPECT_EQ(found.InvalidUserSNs, (std::vector<std::string>{"20", "21"}));
    const std::string log = scrutel.log.Utf8Text();
    EXPECT_NE(log.find("UserOrGroupのSN(20)で、UserIDの形式が正しくありません(UserID=, "
                       "Account=evil  5 forged X H),,"),
              std::string::npos);
    EXPECT_NE(log.find("(UserID=9x, Account=nul tail)"), std::string::npos);
    EXPECT_EQ(log.find("SN(5)"), std::string::npos);

    ChooseAccount(1, 0); // Hostile, Admin
    dlg->Ok();
    const std::string tables = Tables("Hostile");
    EXPECT_NE(tables.find("5|Valid|Valid|H|Default|0\n"), std::string::npos);
    EXPECT_NE(tables.find("== Container\n500|5\n501|1\n"), std::string::npos);
    EXPECT_NE(tables.find("== AccessControlList\n50|5\n"), std::string::npos);
    EXPECT_EQ(tables.find("20|"), std::string::npos);
}

} // namespace
