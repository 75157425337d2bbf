// Mendora /undo natively from its command line to its exit code and report: the journal in a
// temporary folder with its SHA-256 under the test bed's tools' key, the catalogue, SQL
// Server and interpreter the test bed's, the storage service a fake machine's.
#include "UndoCommand.h"

#include "FakeHandOver.h"
#include "FakeShell.h"
#include "MendoraTestBed.h"
#include "TempDirectory.h"
#include "UndoJournalOnDisk.h"
#include "UndoRun.h"

namespace {

const SqlColumn kSn{"SN", 4, 10, 0, false, true};
const SqlColumn kAccount{"AccountName", -9, 64, 0, true, false};
const std::string kChangeCheck = "select CreateUserSN from Container where SN = 7";
const std::string kRowCheck = "select SN from UserOrGroup where SN = 20";

class Undo : public MendoraDialog {
protected:
    TempDirectory folder;
    FakeShell shell;
    FakeMachine machine;
    std::unique_ptr<FakeMachine::Tool> tool = machine.Start(10);
    std::string missingLibrary;
    JournalHeader header{"DbA", "h", "1.0.0.1", "2026-12-09 14:02:51"};

    // The repair of user 20 of DbA: its row deleted, Container 7 handed from 20 to 1, and
    // the numbering format of document type 3 reset after COMMIT.
    std::string Journal() {
        CUndoJournalWriter writer(header, RepairJournalScope());
        std::string why;
        SqlRowSet user{{kSn, kAccount}, {{std::string("20"), std::string("O'Neil\0x", 8)}}};
        EXPECT_EQ(writer.DeletedRows("UserOrGroup", user, why), Outcome::Done) << why;
        EXPECT_EQ(writer.Changed({"Container", "7", "CreateUserSN", "20", "1"}, why),
                  Outcome::Done);
        EXPECT_EQ(
            writer.Planned({"MasterDocType", "3", "DocNumberFormat", "NULL", "Mitsumori"}, why),
            Outcome::Done);
        EXPECT_EQ(writer.Ready(why), Outcome::Done);
        EXPECT_EQ(writer.Applied({"MasterDocType", "3", "DocNumberFormat", "NULL", {}}, why),
                  Outcome::Done);
        return writer.TakePending();
    }
    int RunOn(const std::string& bytes, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{"/undo", PutRecordedJournal(header, bytes, toolKey),
                                           "/report", "report.txt"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Run(arguments);
    }
    int Run(const std::vector<std::string>& arguments) {
        return RunUndo(arguments, shell, Windowless(Tool::Mendora, missingLibrary, tool->handOver));
    }
    std::string ReportFile() { return Utf8FromAnsi(folder.Read("report.txt")); }
    void RepairStillHolds() {
        server.rowAnswers[kChangeCheck] = {{{"CreateUserSN", -5}}, {{std::string("1")}}};
    }
    // Nothing reached the server or the service.
    void Untouched() {
        EXPECT_TRUE(server.received.empty());
        EXPECT_EQ(server.connects, 0);
        EXPECT_TRUE(docTypeStatements.empty());
        EXPECT_EQ(machine.Service(), "RUNNING AUTO");
        EXPECT_TRUE(machine.services.requests.empty());
    }
};

TEST_F(Undo, PutsBackWhatTheJournalHolds) {
    RepairStillHolds();
    EXPECT_EQ(RunOn(Journal()), kUndoDone) << ReportFile();
    EXPECT_EQ(server.used, "DbA");
    EXPECT_EQ(
        server.received,
        (std::vector<std::string>{
            "SET LOCK_TIMEOUT 30000", "BEGIN TRANSACTION", kChangeCheck, kRowCheck,
            "SET IDENTITY_INSERT UserOrGroup ON",
            "insert into UserOrGroup ([SN], [AccountName]) values (20, N'O''Neil' + "
            "NCHAR(0) + N'x')",
            "SET IDENTITY_INSERT UserOrGroup OFF",
            "update Container set CreateUserSN = 20 where SN = 7 and CreateUserSN = 1", "COMMIT"}));
    EXPECT_EQ(docTypeStatements,
              (std::vector<std::string>{"update MasterDocType set DocNumberFormat = 'NULL' where "
                                        "SN = 3 and DocNumberFormat is null"}));
    EXPECT_NE(ReportFile().find("A の補正を元に戻しました (戻した行: 1, 戻した値: 1)"),
              std::string::npos);
    EXPECT_NE(log.Utf8Text().find("【Success】,Mendora /undo,A の補正を元に戻しました"),
              std::string::npos);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

// A row that changed since the repair: only the verification's selects and the ROLLBACK
// reach the server, the interpreter nothing, and every difference is listed.
TEST_F(Undo, ADifferenceChangesNothing) {
    server.rowAnswers[kChangeCheck] = {{{"CreateUserSN", -5}}, {{std::string("9")}}};
    server.rowAnswers[kRowCheck] = {{{"SN", 4}}, {{std::string("20")}}};
    EXPECT_EQ(RunOn(Journal()), kUndoDiffers);
    EXPECT_EQ(server.received,
              (std::vector<std::string>{"SET LOCK_TIMEOUT 30000", "BEGIN TRANSACTION", kChangeCheck,
                                        kRowCheck, "ROLLBACK"}));
    EXPECT_TRUE(docTypeStatements.empty());
    const std::string report = ReportFile();
    EXPECT_NE(report.find("Container SN=7 CreateUserSN: '9' (補正後の値: '1')\r\n"),
              std::string::npos);
    EXPECT_NE(report.find("UserOrGroup SN=20: 削除した行がまたあります\r\n"), std::string::npos);
    EXPECT_NE(log.Utf8Text().find("【Failure】,Mendora /undo,Container SN=7"), std::string::npos);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(Undo, ADocumentTypeChangedSinceIsListedAndTheRestIsDone) {
    RepairStillHolds();
    interpreter = [](const std::string&, std::string& output) {
        output = "Statement executed.\r\n0 row(s) affected.\r\n";
        return 0u;
    };
    EXPECT_EQ(RunOn(Journal()), kUndoDiffers);
    EXPECT_TRUE(Sent("COMMIT"));
    EXPECT_NE(ReportFile().find("MasterDocType SN=3 DocNumberFormat: 補正後に変更されています"),
              std::string::npos);
}

TEST_F(Undo, AFailedStatementRollsBack) {
    RepairStillHolds();
    server.failing.insert(
        "update Container set CreateUserSN = 20 where SN = 7 and CreateUserSN = 1");
    EXPECT_EQ(RunOn(Journal()), kUndoFailed);
    EXPECT_EQ(server.received.back(), "ROLLBACK");
    EXPECT_NE(ReportFile().find("A を元に戻せませんでした。データは変更されていません。\r\nSQL "
                                "文を実行できません: update Container"),
              std::string::npos);
    EXPECT_FALSE(Sent("COMMIT"));
    EXPECT_TRUE(docTypeStatements.empty());
}

TEST_F(Undo, ACabinetNotInTheCatalogueFails) {
    header.database = "DbZ";
    EXPECT_EQ(RunOn(Journal()), kUndoFailed);
    EXPECT_NE(ReportFile().find("DbZ (h)"), std::string::npos);
    EXPECT_TRUE(server.received.empty());
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(Undo, BadCommandLinesTouchNothing) {
    PutRecordedJournal(header, Journal(), toolKey);
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"/undo"},
                                               {"/undo", ""},
                                               {"/undo", "a", "/cabinet", "A"},
                                               {"/undo", "a", "-UNDO", "b"},
                                               {"/undo", "a", "/report"},
                                               {"/undo", "a", "/report", "A"},
                                               {"/report", "r.txt"}}) {
        EXPECT_EQ(Run(arguments), kUndoBadInput) << arguments.back();
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "r.txt"));
    }
    EXPECT_NE(log.Utf8Text().find("【Failure】,Mendora /undo,コマンドラインが正しくありません: "
                                  "unknown argument: /cabinet"),
              std::string::npos);
    Untouched();
    UndoCommand command;
    std::string error;
    ASSERT_TRUE(ParseUndoCommand({"-Report", "r.txt", "/UnDo", "j"}, command, error));
    EXPECT_EQ(command.journalFile, "j");
    EXPECT_EQ(command.reportFile, "r.txt");
}

TEST_F(Undo, AJournalNotTrustedTouchesNothing) {
    const std::string bytes = Journal();
    const std::string name = PutRecordedJournal(header, bytes, toolKey);
    std::ofstream(name, std::ios::binary) << bytes << "applied\tMasterDocType\t4\n";
    EXPECT_EQ(Run({"/undo", name, "/report", "report.txt"}), kUndoBadInput);
    EXPECT_NE(ReportFile().find("記録されたものと一致しません"), std::string::npos);

    toolKey.subkeyTexts.clear();
    std::ofstream(name, std::ios::binary) << bytes;
    EXPECT_EQ(Run({"/undo", name, "/report", "report.txt"}), kUndoBadInput);
    EXPECT_NE(ReportFile().find("記録されていません"), std::string::npos);

    std::filesystem::resize_file(name, kMaxUndoJournalBytes + 1); // sparse, never read
    EXPECT_EQ(Run({"/undo", name, "/report", "report.txt"}), kUndoBadInput);
    EXPECT_NE(ReportFile().find("ジャーナルが大きすぎます"), std::string::npos);

    EXPECT_EQ(Run({"/undo", "missing", "/report", "report.txt"}), kUndoBadInput);
    EXPECT_NE(ReportFile().find("ジャーナルを開けません: missing"), std::string::npos);
    Untouched();
}

// Even with its SHA-256 recorded, a journal is refused for anything the repair does not
// write: a table outside what it touches, a repair that never committed, a deleted row
// without an SN, a value the interpreter's command line would not carry as it is.
TEST_F(Undo, AJournalOutsideTheRepairIsRefused) {
    const std::string bytes = Journal();
    const auto replaced = [&bytes](const std::string& from, const std::string& to) {
        std::string text = bytes;
        for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
            text.replace(at, from.size(), to);
        return text;
    };
    for (const auto& [journal, why] : std::vector<std::pair<std::string, std::string>>{
             {replaced("Container", "Secrets"), "補正の対象ではない列です: Secrets.CreateUserSN"},
             {bytes.substr(0, bytes.find("ready")), "補正はコミットされていません"},
             {replaced("UserOrGroup\tSN\t", "UserOrGroup\tID\t"), "SN の列がありません"},
             {replaced("row\tUserOrGroup\t20\t", "row\tUserOrGroup\t20 or 1=1\t")
                  .replace(bytes.find("SN\tINTEGER"), 10, "SN\tWVARCHAR"),
              "SN ではない値があります: UserOrGroup"},
             {replaced("\tNULL\t", "\tN\"LL\t"), "文書タイプの値に使えない文字があります: SN=3"}}) {
        EXPECT_EQ(RunOn(journal), kUndoBadInput) << journal;
        EXPECT_NE(ReportFile().find(why), std::string::npos) << ReportFile();
    }
    Untouched();
    missingLibrary = "no helper library";
    EXPECT_EQ(RunOn(bytes), kUndoRefused);
    EXPECT_EQ(ReportFile(), "no helper library\r\n");
    Untouched();
}

TEST(UndoLiteral, IsAValueOfItsTypeOrNothing) {
    EXPECT_EQ(SqlLiteral(4, std::string("-12")), "-12");
    EXPECT_EQ(SqlLiteral(4, SqlValue()), "NULL");
    EXPECT_EQ(SqlLiteral(-9, std::string("a'); drop table x --")), "N'a''); drop table x --'");
    EXPECT_EQ(SqlLiteral(-3, std::string("00FF")), "0x00FF");
    EXPECT_EQ(SqlLiteral(93, std::string("2026-12-09 14:02:51.000")), "'2026-12-09 14:02:51.000'");
    for (const auto& [type, value] :
         std::vector<std::pair<int, std::string>>{{4, "1; drop table x"},
                                                  {4, ""},
                                                  {3, "1e5"},
                                                  {-3, "0G"},
                                                  {-3, "ABC"},
                                                  {93, "2026' or '1"},
                                                  {-11, "not-a-guid"},
                                                  {999, "1"}})
        EXPECT_EQ(SqlLiteral(type, value), std::nullopt) << type << " " << value;
}

} // namespace
