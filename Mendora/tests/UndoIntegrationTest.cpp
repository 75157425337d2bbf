// Mendora /undo on real data: the SQL Server stand-in serving the demo cabinets
// (repair_fixture.py), Eigyo put back to its pristine file first. A change made by hand as
// the repair makes it (a user and an access right deleted, a folder handed to another user)
// is written down in a journal with the repair's writer; the undo must leave every row of
// the user tables, every column, as it was before the change.
#include "UndoCommand.h"

#include "CabinetDump.h"
#include "FakeHandOver.h"
#include "FakeShell.h"
#include "MendoraProfile.h"
#include "MendoraTestBed.h"
#include "SqlServerStandin.h"
#include "TempDirectory.h"
#include "UndoJournalOnDisk.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const std::string kPassword = "Velmora-sa-1";

class UndoOnStandin : public MendoraDialog {
protected:
    TempDirectory folder;
    FakeShell shell;
    FakeMachine machine;
    std::unique_ptr<FakeMachine::Tool> tool = machine.Start(10);
    JournalHeader header{"Eigyo", standin::Host(), "1.0.0.1", "2026-12-09 14:02:51"};
    std::string folderSn; // the folder handed on by hand

    void SetUp() override {
        MendoraDialog::SetUp();
        const fs::path data = standin::DataFolder();
        fs::copy_file(data / "Eigyo.pristine", data / "Eigyo.sqlite",
                      fs::copy_options::overwrite_existing);
        fs::remove(data / "faults.json");
        catalogue = std::string(kCatalogueHeader) + "1,|," + Ansi("営業部") + ",|,Eigyo,|,0,|," +
                    standin::Host() + ",|,enc:sa,|,enc:" + kPassword + "\r\n";
    }

    static CSqlServerSession Session(const CabinetRecord& record) {
        return CSqlServerSession(record.databaseHost, record.encodedUser, record.encodedPassword,
                                 &kFakeCredentialLibrary, standin::Services(), CreateOdbcConnection,
                                 FileLog());
    }
    // A session of its own on Eigyo, for the test's own statements.
    struct Eigyo {
        CSqlServerSession session;
        Eigyo()
            : session(standin::Host(), "enc:sa", "enc:" + kPassword, &kFakeCredentialLibrary,
                      standin::Services(), CreateOdbcConnection, FileLog()) {
            EXPECT_EQ(session.Connect(), Outcome::Done);
            EXPECT_EQ(session.SelectDatabase("Eigyo"), Outcome::Done);
        }
        ~Eigyo() {
            session.ReleaseDatabase();
            session.Disconnect();
        }
        SqlRowSet Rows(const std::string& sql) {
            SqlRowSet rows;
            EXPECT_EQ(session.ReadRows(sql, rows), Outcome::Done) << sql;
            return rows;
        }
        void Run(const std::string& sql) {
            EXPECT_EQ(session.ExecuteStatement(sql), Outcome::Done) << sql;
        }
        std::string Dump() {
            return DumpCabinetRows(session, VT_SOURCE_DIR "/testbed/demo/user-columns.txt");
        }
    };

    // Deletes the first user with an access right, the first access right, and hands the
    // first folder to another user, as the repair would, writing down each change first.
    std::string ChangeByHand(Eigyo& eigyo) {
        CUndoJournalWriter writer(header, RepairJournalScope());
        std::string why;
        const SqlRowSet right = eigyo.Rows("select * from AccessControlList order by SN");
        const SqlRowSet folder = eigyo.Rows("select SN, CreateUserSN from Container order by SN");
        EXPECT_FALSE(right.rows.empty());
        EXPECT_FALSE(folder.rows.empty());
        const std::string userSn =
            *eigyo.Rows("select UserSN from AccessControlList order by SN").rows.at(0).at(0);
        const std::string rightSn = *right.rows.at(0).at(0);
        const SqlRowSet user = eigyo.Rows("select * from UserOrGroup where SN = " + userSn);
        EXPECT_EQ(writer.DeletedRows("UserOrGroup", user, why), Outcome::Done) << why;
        const SqlRowSet oneRight =
            eigyo.Rows("select * from AccessControlList where SN = " + rightSn);
        EXPECT_EQ(writer.DeletedRows("AccessControlList", oneRight, why), Outcome::Done) << why;
        folderSn = *folder.rows.at(0).at(0);
        const SqlValue previous = folder.rows.at(0).at(1);
        const std::string heir = previous == std::string("1") ? "2" : "1";
        EXPECT_EQ(writer.Changed({"Container", folderSn, "CreateUserSN", previous, heir}, why),
                  Outcome::Done);
        EXPECT_EQ(writer.Ready(why), Outcome::Done);
        eigyo.Run("delete from UserOrGroup where SN = " + userSn);
        eigyo.Run("delete from AccessControlList where SN = " + rightSn);
        eigyo.Run("update Container set CreateUserSN = " + heir + " where SN = " + folderSn);
        return PutRecordedJournal(header, writer.TakePending(), toolKey);
    }

    int Undo(const std::string& journal) {
        DialogServices dialog = Services(kMendoraProfile);
        dialog.run.makeSession = &UndoOnStandin::Session;
        const ToolServices services{dialog,
                                    {&registry,
                                     [this](const std::string&, std::string& out) {
                                         out = catalogue;
                                         return 0u;
                                     },
                                     &kFakeCredentialLibrary, &log},
                                    "",
                                    tool->handOver};
        return RunUndo({"/undo", journal, "/report", "report.txt"}, shell, services);
    }
    std::string Report() { return Utf8FromAnsi(folder.Read("report.txt")); }
};

TEST_F(UndoOnStandin, PutsEveryRowBackAsItWas) {
    Eigyo eigyo;
    const std::string before = eigyo.Dump();
    const std::string journal = ChangeByHand(eigyo);
    ASSERT_NE(eigyo.Dump(), before);
    EXPECT_EQ(Undo(journal), kUndoDone) << Report();
    EXPECT_EQ(eigyo.Dump(), before);
    EXPECT_NE(Report().find("営業部 の補正を元に戻しました (戻した行: 2, 戻した値: 1)"),
              std::string::npos);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

// A folder handed on again since: nothing is put back, the user and the right stay deleted.
TEST_F(UndoOnStandin, ChangesNothingWhereARowChangedSince) {
    Eigyo eigyo;
    const std::string journal = ChangeByHand(eigyo);
    eigyo.Run("update Container set CreateUserSN = 7 where SN = " + folderSn);
    const std::string changed = eigyo.Dump();
    EXPECT_EQ(Undo(journal), kUndoDiffers);
    EXPECT_EQ(eigyo.Dump(), changed);
    EXPECT_NE(Report().find("CreateUserSN: '7' (補正後の値: "), std::string::npos) << Report();
}

// A journal edited after it was recorded: refused before the service or the cabinet is
// touched.
TEST_F(UndoOnStandin, AnEditedJournalIsRefused) {
    Eigyo eigyo;
    const std::string journal = ChangeByHand(eigyo);
    const std::string changed = eigyo.Dump();
    // Still a journal the reader takes, only its start time edited.
    std::string bytes = folder.Read(journal);
    const std::size_t at = bytes.find("2026-12-09 14:02:51");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 18] = '2';
    std::ofstream(journal, std::ios::binary) << bytes;
    EXPECT_EQ(Undo(journal), kUndoBadInput);
    EXPECT_EQ(eigyo.Dump(), changed);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

// The whole round: 営業部 repaired through the dialog for 管理者, then its own journal
// undone: every user table, every column, as before the repair.
TEST_F(UndoOnStandin, UndoesARepairOfTheDialog) {
    Eigyo eigyo;
    const std::string before = eigyo.Dump();
    DialogServices services = Services(kMendoraProfile);
    services.run.makeSession = &UndoOnStandin::Session;
    Open(services);
    ChooseAccount(0, 0);
    dlg->Ok();
    ASSERT_NE(eigyo.Dump(), before);
    const std::string name = FileNameOf(dlg->Repaired().journal);
    ASSERT_EQ(journals.files.count(name), 1u);
    std::ofstream(name, std::ios::binary) << journals.files[name];
    EXPECT_EQ(Undo(name), kUndoDone) << Report();
    EXPECT_EQ(eigyo.Dump(), before);
}

} // namespace
