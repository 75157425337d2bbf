// The undo journal of a repair: everything needed to put the cabinet back as it was, written
// down before the repair relies on it. The repair deletes rows whole and changes single
// values inside its transaction, and after COMMIT changes values planned before it; the
// journal holds each deleted row, every changed value's previous and new value keyed by
// table and SN, and the planned changes with those made. A writer gives the lines to append
// (the caller writes and flushes them); a reader takes a whole file back apart, refusing
// anything it would not have written and anything outside what the repair may touch.
//
// The file: UTF-8 text (the tools' ANSI texts, code page 932, converted), one record per
// line ending in LF, fields separated by one TAB, the record's kind first. In every field a
// backslash is written "\\", TAB "\t", CR "\r", LF "\n", any other byte below 0x20 and 0x7F
// "\xHH" (upper-case digits); a field of exactly "\N" is NULL, an empty field an empty text.
//
//   Mendora undo journal  1                      the format and its version, first
//   database  <name>                             then these four, in this order
//   host      <SQL Server host>
//   tool      <Mendora's version>
//   started   <yyyy-mm-dd hh:mm:ss>              when the repair began, local time
//   column    <table> <name> <type> <size> <digits> <null|not null> <identity|->
//             a column of a table whose rows are deleted whole, as the driver described it;
//             type is ODBC's name without "SQL_" (INTEGER, WVARCHAR, TYPE_TIMESTAMP, ...);
//             every column of a table comes before its first row
//   row       <table> <value>...                 a row deleted whole, its values in column
//             order: numbers in decimal, date and time as yyyy-mm-dd hh:mm:ss.fff, binary in
//             hexadecimal, texts as they are
//   change    <table> <SN> <column> <previous> <written>
//             a value the transaction replaced: an SN or NULL, before and after
//   planned   <table> <SN> <column> <previous> <label>
//             a value to change after COMMIT (label: what the administrator knows it by,
//             NULL when it could not be written exactly)
//   ready     <rows> <changes> <planned>         the end of what was written before COMMIT,
//             with the number of records of each kind; flushed before COMMIT is sent
//   applied   <table> <SN> <column> <previous> <written>
//             a planned change made after COMMIT, each flushed before the next
//
// A journal without "ready" ends before COMMIT: the transaction never committed.
#pragma once

#include "Outcome.h"
#include "SqlConnection.h"

#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

// What a repair may touch; a journal naming anything else is refused.
struct JournalScope {
    std::set<std::string> deletedTables;                          // rows deleted whole
    std::set<std::pair<std::string, std::string>> changedColumns; // table, column
    std::set<std::pair<std::string, std::string>> plannedColumns; // changed after COMMIT
};

// Mendora's repair: the invalid users and their access and search rights deleted, every
// other record handed to the chosen account, the document types' numbering formats reset
// through the interpreter; read from the repairs themselves (UserRepair.cpp).
JournalScope RepairJournalScope();

struct JournalHeader {
    std::string database, host, tool;
    std::string started; // "yyyy-mm-dd hh:mm:ss"
};

struct JournalTable {
    std::string name;
    std::vector<SqlColumn> columns;
    std::vector<std::vector<SqlValue>> rows;
};

struct JournalChange {
    std::string table, sn, column;
    SqlValue previous, written; // for a planned change, written is its label
};

struct UndoJournal {
    JournalHeader header;
    std::vector<JournalTable> deleted; // in the order of their first column
    std::vector<JournalChange> changes;
    std::vector<JournalChange> planned;
    bool ready = false; // the part before COMMIT is whole
    std::vector<JournalChange> applied;
};

// "Mendora-undo-<database>-<yyyymmdd-hhmmss>", with every character a file name may not hold
// (and any control character) in the database name written as '_'.
std::string UndoJournalFileName(const JournalHeader& header);

namespace undo_journal {

// The rules every record obeys, in the writer and in the reader: a record is taken into the
// journal only where it may stand, so the writer never writes what the reader would refuse.
class CRecords {
public:
    explicit CRecords(JournalScope scope) : scope_(std::move(scope)) {}

    // Takes the next record (its fields, ANSI); what is wrong with it otherwise, and then
    // nothing was taken.
    std::string Take(const std::vector<SqlValue>& fields);
    std::size_t Lines() const { return lines_; }
    const UndoJournal& Journal() const { return journal_; }
    UndoJournal& Journal() { return journal_; }

    // Where the deleted rows stand, to forget the column and row records taken after it.
    struct Checkpoint {
        std::size_t lines, tables, rows;
        std::string table;
    };
    Checkpoint Mark(const std::string& table) const;
    void Rewind(const Checkpoint& checkpoint);

private:
    using Key = std::tuple<std::string, std::string, std::string>; // table, SN, column
    std::string TakeChange(std::vector<JournalChange>& list, std::set<Key>& keys,
                           const std::set<std::pair<std::string, std::string>>& allowed,
                           const std::vector<SqlValue>& fields, bool snValues);
    std::string TakeRecord(const std::vector<SqlValue>& fields);

    JournalScope scope_;
    UndoJournal journal_;
    std::size_t lines_ = 0;
    std::set<Key> changed_, planned_, applied_;
};

} // namespace undo_journal

// Builds a journal record by record. Each call adds its lines to the pending text whole or
// not at all (Failed, with why); the caller appends the pending text to the file and flushes
// it.
class CUndoJournalWriter {
public:
    CUndoJournalWriter(const JournalHeader& header, JournalScope scope);

    // False, with why, when the header itself could not be written; nothing else can be
    // added then.
    bool Started(std::string& why) const;
    // A table's rows deleted whole; its columns are written with its first rows, and later
    // rows of the table must come with the same columns. Rows that are not the server's
    // exactly (SqlRowSet::inexact) are refused.
    Outcome DeletedRows(const std::string& table, const SqlRowSet& rows, std::string& why);
    Outcome Changed(const JournalChange& change, std::string& why);
    // A value to change after COMMIT; written holds its label.
    Outcome Planned(const JournalChange& planned, std::string& why);
    Outcome Ready(std::string& why);
    Outcome Applied(const JournalChange& applied, std::string& why);

    // The lines added since the last call.
    std::string TakePending();
    const UndoJournal& Journal() const { return records_.Journal(); }

private:
    Outcome Add(const std::vector<SqlValue>& fields, std::string& why);

    undo_journal::CRecords records_;
    std::string pending_;
    std::string startFailure_;
};

// Reads a whole journal file. Failed, with why (the line and what is wrong with it), for
// anything the writer would not have written: a line cut short, a malformed field, a record
// out of its place, counts that do not add up, a table or column outside the scope.
Outcome ReadUndoJournal(std::string_view bytes, const JournalScope& scope, UndoJournal& journal,
                        std::string& why);
