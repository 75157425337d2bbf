// The undo journal: what the writer writes reads back whole, one record per line whatever
// the values hold, and the reader refuses every line it would not have written.
#include "UndoJournal.h"

#include "DocTypeRepair.h"
#include "Text.h"
#include "UserRepair.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const int kInteger = 4, kWVarchar = -9, kTimestamp = 93;

JournalHeader Header() {
    return {Ansi("営業部"), "SERVER\\SQL2019", "1.0.0.1", "2026-12-09 14:02:51"};
}

SqlRowSet Users() {
    SqlRowSet users;
    users.columns = {{"SN", kInteger, 10, 0, false, true},
                     {"AccountName", kWVarchar, 64, 0, true, false},
                     {"UserID", kWVarchar, 64, 0, true, false},
                     {"Created", kTimestamp, 23, 3, true, false}};
    users.rows = {{"5", Ansi("鈴木\t一郎\r\n表\\"), SqlValue(), "2024-06-03 09:15:00.000"},
                  {"9", "", std::string("\\N\x01"), SqlValue()}};
    return users;
}

JournalChange Change(const char* table, const char* sn, const char* column, SqlValue previous,
                     SqlValue written) {
    return {table, sn, column, std::move(previous), std::move(written)};
}

// A repair's journal, its parts flushed as the repair would: before COMMIT, then each update.
std::string WriteRepair(CUndoJournalWriter& writer) {
    std::string why, bytes;
    EXPECT_EQ(writer.DeletedRows("UserOrGroup", Users(), why), Outcome::Done) << why;
    EXPECT_EQ(writer.Changed(Change("Container", "101", "CreateUserSN", "5", "3"), why),
              Outcome::Done);
    EXPECT_EQ(
        writer.Changed(Change("ConfigurationHistory", "1002", "ReserveUserSN", "5", "3"), why),
        Outcome::Done);
    EXPECT_EQ(writer.Planned(
                  Change("MasterDocType", "7", "DocNumberFormat", "NULL", Ansi("見積書")), why),
              Outcome::Done);
    EXPECT_EQ(writer.Ready(why), Outcome::Done) << why;
    bytes += writer.TakePending();
    EXPECT_EQ(
        writer.Applied(Change("MasterDocType", "7", "DocNumberFormat", "NULL", SqlValue()), why),
        Outcome::Done);
    return bytes + writer.TakePending();
}

std::string Refusal(const std::string& text) {
    UndoJournal journal;
    std::string why;
    EXPECT_EQ(ReadUndoJournal(text, RepairJournalScope(), journal, why), Outcome::Failed) << text;
    return Utf8FromAnsi(why);
}

const std::string kHead = "Mendora undo journal\t1\ndatabase\tEigyo\nhost\th\ntool\t1\n"
                          "started\t2026-12-09 14:02:51\n";
const std::string kSearchRight = "column\tSearchRight\tSN\tINTEGER\t10\t0\tnot null\tidentity\n";
const std::string kPlanned = "planned\tMasterDocType\t7\tDocNumberFormat\tNULL\t\\N\n";

TEST(UndoJournal, WhatIsWrittenReadsBackWhole) {
    CUndoJournalWriter writer(Header(), RepairJournalScope());
    const std::string bytes = WriteRepair(writer);
    UndoJournal read;
    std::string why;
    ASSERT_EQ(ReadUndoJournal(bytes, RepairJournalScope(), read, why), Outcome::Done)
        << Utf8FromAnsi(why);
    EXPECT_EQ(read.header.database, Ansi("営業部"));
    EXPECT_EQ(read.header.host, "SERVER\\SQL2019");
    EXPECT_EQ(read.header.started, "2026-12-09 14:02:51");
    ASSERT_EQ(read.deleted.size(), 1u);
    EXPECT_EQ(read.deleted[0].name, "UserOrGroup");
    EXPECT_EQ(read.deleted[0].columns, Users().columns);
    EXPECT_EQ(read.deleted[0].rows, Users().rows);
    ASSERT_EQ(read.changes.size(), 2u);
    EXPECT_EQ(read.changes[1].sn, "1002");
    EXPECT_EQ(read.changes[1].column, "ReserveUserSN");
    EXPECT_EQ(read.changes[1].previous, "5");
    EXPECT_EQ(read.changes[1].written, "3");
    ASSERT_EQ(read.planned.size(), 1u);
    EXPECT_EQ(read.planned[0].written, Ansi("見積書"));
    EXPECT_TRUE(read.ready);
    ASSERT_EQ(read.applied.size(), 1u);
    EXPECT_FALSE(read.applied[0].written.has_value());
}

TEST(UndoJournal, EveryRecordIsOneLineWithItsValuesEscaped) {
    CUndoJournalWriter writer(Header(), RepairJournalScope());
    const std::string text = WriteRepair(writer); // UTF-8, as the sources
    EXPECT_EQ(text.rfind("Mendora undo journal\t1\ndatabase\t営業部\nhost\tSERVER\\\\SQL2019\n"
                         "tool\t1.0.0.1\nstarted\t2026-12-09 14:02:51\n"
                         "column\tUserOrGroup\tSN\tINTEGER\t10\t0\tnot null\tidentity\n",
                         0),
              0u);
    EXPECT_NE(text.find("\nrow\tUserOrGroup\t5\t鈴木\\t一郎\\r\\n表\\\\\t\\N\t"
                        "2024-06-03 09:15:00.000\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nrow\tUserOrGroup\t9\t\t\\\\N\\x01\t\\N\n"), std::string::npos);
    EXPECT_NE(
        text.find("\nready\t2\t2\t1\napplied\tMasterDocType\t7\tDocNumberFormat\tNULL\t\\N\n"),
        std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5 + 4 + 2 + 2 + 1 + 1 + 1);
}

TEST(UndoJournal, AJournalWithoutReadyEndedBeforeCommit) {
    CUndoJournalWriter writer(Header(), RepairJournalScope());
    std::string why;
    ASSERT_EQ(writer.Changed(Change("WordBook", "3", "CreateUserSN", SqlValue(), "1"), why),
              Outcome::Done);
    UndoJournal read;
    ASSERT_EQ(ReadUndoJournal(writer.TakePending(), RepairJournalScope(), read, why),
              Outcome::Done);
    EXPECT_FALSE(read.ready);
    EXPECT_EQ(read.changes.size(), 1u);
}

TEST(UndoJournal, LaterRowsOfATableComeWithTheSameColumns) {
    CUndoJournalWriter writer(Header(), RepairJournalScope());
    std::string why;
    writer.TakePending();
    ASSERT_EQ(writer.DeletedRows("UserOrGroup", Users(), why), Outcome::Done);
    writer.TakePending();
    ASSERT_EQ(writer.DeletedRows("UserOrGroup", Users(), why), Outcome::Done);
    EXPECT_EQ(writer.TakePending().rfind("row\t", 0), 0u); // no second column description
    SqlRowSet other = Users();
    other.columns[1].size = 128;
    EXPECT_EQ(writer.DeletedRows("UserOrGroup", other, why), Outcome::Failed);
    EXPECT_EQ(writer.TakePending(), "");
    EXPECT_EQ(writer.Journal().deleted[0].rows.size(), 4u);
}

TEST(UndoJournal, FileNameKeepsDoubleByteCharactersAndWritesNoPath) {
    JournalHeader header = Header();
    EXPECT_EQ(Utf8FromAnsi(UndoJournalFileName(header)), "Mendora-undo-営業部-20261209-140251");
    header.database = Ansi("..\\表/a:b*?\"<>|\t");
    EXPECT_EQ(Utf8FromAnsi(UndoJournalFileName(header)),
              "Mendora-undo-.._表_a_b_______-20261209-140251");
}

TEST(UndoJournalWriter, RefusesWholeWhatTheReaderWouldRefuse) {
    CUndoJournalWriter writer(Header(), RepairJournalScope());
    std::string why;
    writer.TakePending();
    SqlRowSet inexact = Users();
    inexact.inexact = true;
    SqlRowSet badValue = Users();
    badValue.rows[1][3] = "soon";
    SqlRowSet unknownType = Users();
    unknownType.columns[2].type = -152; // XML
    EXPECT_EQ(writer.DeletedRows("UserOrGroup", inexact, why), Outcome::Failed);
    EXPECT_EQ(writer.DeletedRows("Container", Users(), why), Outcome::Failed);
    EXPECT_EQ(writer.DeletedRows("UserOrGroup", badValue, why), Outcome::Failed);
    EXPECT_EQ(writer.DeletedRows("UserOrGroup", unknownType, why), Outcome::Failed);
    EXPECT_TRUE(writer.Journal().deleted.empty()); // the half-written table is forgotten
    EXPECT_EQ(writer.Changed(Change("Container", "1", "Name", "5", "3"), why), Outcome::Failed);
    EXPECT_EQ(writer.Changed(Change("Container", "1; drop table x", "CreateUserSN", "5", "3"), why),
              Outcome::Failed);
    EXPECT_EQ(writer.Changed(Change("Container", "1", "CreateUserSN", "5 or 1=1", "3"), why),
              Outcome::Failed);
    EXPECT_EQ(writer.Applied(Change("MasterDocType", "7", "DocNumberFormat", "NULL", {}), why),
              Outcome::Failed);
    ASSERT_EQ(writer.Changed(Change("Container", "1", "CreateUserSN", "5", "3"), why),
              Outcome::Done);
    EXPECT_EQ(writer.Changed(Change("Container", "1", "CreateUserSN", "3", "4"), why),
              Outcome::Failed);
    writer.TakePending();
    ASSERT_EQ(writer.Ready(why), Outcome::Done);
    EXPECT_EQ(writer.Ready(why), Outcome::Failed);
    EXPECT_EQ(writer.Planned(Change("MasterDocType", "7", "DocNumberFormat", "NULL", {}), why),
              Outcome::Failed);
    EXPECT_EQ(writer.Applied(Change("MasterDocType", "7", "DocNumberFormat", "NULL", {}), why),
              Outcome::Failed); // never planned
    EXPECT_EQ(writer.TakePending(), "ready\t0\t1\t0\n");
}

TEST(UndoJournalWriter, RefusesAHeaderItCannotWrite) {
    const auto refused = [](JournalHeader header) {
        CUndoJournalWriter writer(header, RepairJournalScope());
        std::string why;
        return !writer.Started(why) && !why.empty() &&
               writer.Changed(Change("Container", "1", "CreateUserSN", "5", "3"), why) ==
                   Outcome::Failed;
    };
    JournalHeader header = Header();
    EXPECT_FALSE(refused(header));
    header.started = "2026-12-09T14:02:51";
    EXPECT_TRUE(refused(header));
    header = Header();
    header.database.clear();
    EXPECT_TRUE(refused(header));
    header = Header();
    header.host = "\x81"; // a lead byte without its second byte
    EXPECT_TRUE(refused(header));
}

TEST(UndoJournalReader, RefusesALineItWouldNotHaveWritten) {
    const std::string change = "change\tContainer\t12\tCreateUserSN\t5\t1";
    const std::string planned = "planned\tMasterDocType\t7\tDocNumberFormat\tNULL\t";
    const std::pair<std::string, const char*> cases[] = {
        {change, "6 行目: 改行で終わっていません"},
        {change + "\r\n", "6 行目: エスケープまたは制御文字"},
        {planned + "\\q\n", "6 行目: エスケープ"},
        {planned + "\\x41\n", "6 行目: エスケープ"},
        {planned + "\xff\n", "6 行目: UTF-8 ではない"},
        {planned + "\xed\xa0\x80\n", "6 行目: UTF-8 ではない"},
        {planned + "😀\n", "6 行目: UTF-8 ではないか、コードページ 932 にない文字"},
        {"bogus\tx\n", "6 行目: 不明な記録"},
        {change + "\t\n", "6 行目: 項目の数"},
    };
    for (const auto& [tail, expected] : cases)
        EXPECT_NE(Refusal(kHead + tail).find(expected), std::string::npos) << tail;
}

TEST(UndoJournalReader, RefusesARecordOutOfPlaceOrOutsideTheScope) {
    const std::pair<std::string, const char*> cases[] = {
        {"change\tContainer\t12\tName\t5\t1\n", "6 行目: 補正の対象ではない列です: Container.Name"},
        {"change\tSecrets\t12\tCreateUserSN\t5\t1\n", "6 行目: 補正の対象ではない列"},
        {"change\tContainer\t1;DROP\tCreateUserSN\t5\t1\n", "6 行目: SN が数字ではありません"},
        {"change\tContainer\t12\tCreateUserSN\tx\t1\n", "6 行目: SN が数字ではありません"},
        {"change\tContainer\t12\tCreateUserSN\t5\t1\nchange\tContainer\t12\tCreateUserSN\t1\t2\n",
         "7 行目: 同じ値の記録が二度"},
        {"column\tSecrets\tSN\tINTEGER\t10\t0\tnot null\t-\n",
         "6 行目: 行を削除するテーブルではありません"},
        {"column\tSearchRight\tS N\tINTEGER\t10\t0\tnot null\t-\n",
         "6 行目: 列の説明が正しくありません"},
        {"column\tSearchRight\tSN\tMONEY\t10\t0\tnot null\t-\n",
         "6 行目: 列の説明が正しくありません"},
        {kSearchRight + kSearchRight, "7 行目: 同じ列が二度"},
        {kSearchRight + "row\tSearchRight\t1\n" + kSearchRight, "8 行目: 行の後に列の説明"},
        {"row\tSearchRight\t1\n", "6 行目: 列の説明のないテーブル"},
        {kSearchRight + "row\tSearchRight\t12a\n", "7 行目: 列の型に合わない値です: SN"},
        {kSearchRight + "row\tSearchRight\t\\N\n", "7 行目: 列の型に合わない値"},
        {kSearchRight + "row\tSearchRight\t1\t2\n", "7 行目: 値の数が列の数と違います"},
        {kPlanned + "ready\t0\t0\t2\n", "7 行目: 件数が記録の数と合いません"},
        {"ready\t0\t0\t0\n" + kPlanned, "7 行目: ready の後には applied しか"},
        {"applied\tMasterDocType\t7\tDocNumberFormat\tNULL\t\\N\n", "6 行目: applied の前に ready"},
        {kPlanned + "ready\t0\t0\t1\napplied\tMasterDocType\t7\tDocNumberFormat\tnull\t\\N\n",
         "8 行目: 予定にない変更"},
        {kPlanned + "ready\t0\t0\t1\napplied\tMasterDocType\t7\tDocNumberFormat\tNULL\t\\N\n"
                    "applied\tMasterDocType\t7\tDocNumberFormat\tNULL\t\\N\n",
         "9 行目: 同じ値の記録が二度"},
    };
    for (const auto& [tail, expected] : cases)
        EXPECT_NE(Refusal(kHead + tail).find(expected), std::string::npos) << tail;
}

TEST(UndoJournalReader, RefusesAHeaderThatIsNotOne) {
    EXPECT_NE(Refusal("").find("見出しがそろっていません"), std::string::npos);
    EXPECT_NE(Refusal(kHead.substr(0, kHead.find("tool"))).find("見出しがそろっていません"),
              std::string::npos);
    std::string other = kHead;
    other.replace(other.find("\t1\n"), 3, "\t2\n");
    EXPECT_NE(Refusal(other).find("1 行目: 読めない版です: 2"), std::string::npos);
    EXPECT_NE(Refusal("Velmora\t1\n" + kHead.substr(kHead.find('\n') + 1))
                  .find("1 行目: 取り消し記録ではありません"),
              std::string::npos);
    std::string swapped = kHead;
    std::swap(swapped[swapped.find("database")], swapped[swapped.find("host")]); // dost, hatabase
    EXPECT_NE(Refusal(swapped).find("2 行目: 見出し"), std::string::npos);
    std::string time = kHead;
    time.replace(time.find(" 14:"), 1, "T");
    EXPECT_NE(Refusal(time).find("5 行目: 見出し"), std::string::npos);
}

// The scope is what the repair's statements touch: a repair that came to touch another
// table or column would write a journal its undo refuses.
TEST(UndoJournalScope, HoldsEveryTableAndColumnTheRepairChanges) {
    const JournalScope scope = RepairJournalScope();
    EXPECT_TRUE(scope.deletedTables.count("UserOrGroup"));
    int statements = 0;
    for (const RelatedRecordRepair& repair : RelatedRecordRepairs())
        for (const RelatedRecordRepair::Change& change : repair.changes) {
            const std::string statement = change.statement;
            const std::size_t table = statement.find(repair.deletes ? "from " : "update ");
            ASSERT_EQ(table, repair.deletes ? 7u : 0u) << statement;
            const std::size_t name = table + (repair.deletes ? 5 : 7);
            const std::string tableName = statement.substr(name, statement.find(' ', name) - name);
            if (repair.deletes) {
                EXPECT_TRUE(scope.deletedTables.count(tableName)) << statement;
            } else {
                const std::size_t set = statement.find(" set ") + 5;
                const std::string column = statement.substr(set, statement.find('=', set) - set);
                EXPECT_TRUE(scope.changedColumns.count({tableName, column})) << statement;
            }
            ++statements;
        }
    EXPECT_EQ(statements, 12);
    EXPECT_EQ(
        std::string(kDocNumberFormatUpdate).rfind("update MasterDocType set DocNumberFormat ", 0),
        0u);
    EXPECT_TRUE(scope.plannedColumns.count({"MasterDocType", "DocNumberFormat"}));
}

} // namespace
