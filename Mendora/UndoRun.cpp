#include "UndoRun.h"

#include "CommandLine.h"
#include "SqliQuery.h"
#include "Text.h"
#include "UndoJournalFormat.h"

#include <algorithm>

namespace {

using undo_journal::FitsType;
using undo_journal::IsName;
using undo_journal::IsSn;

constexpr int kBinaryTypes[] = {-2, -3, -4};
constexpr int kTextTypes[] = {1, 12, -1, -8, -9, -10};
constexpr int kQuotedTypes[] = {91, 92, 93, -154, -155, -11}; // date, time, GUID
constexpr int kSnType = -5;                                   // BIGINT

bool OneOf(int type, const int* first, const int* last) {
    return std::find(first, last, type) != last;
}
template <std::size_t N> bool OneOf(int type, const int (&types)[N]) {
    return OneOf(type, types, types + N);
}

std::string TextLiteral(const std::string& text) {
    std::string out = "N'";
    for (char c : text) {
        if (c == '\'')
            out += "''";
        else if (c == '\0')
            out += "' + NCHAR(0) + N'";
        else
            out += c;
    }
    return out + "'";
}

std::string Shown(const SqlValue& value) {
    return value ? "'" + *value + "'" : "NULL";
}

// "column = literal", or "column is null".
std::string Holds(const std::string& column, const std::string& literal) {
    return column + (literal == "NULL" ? " is null" : " = " + literal);
}

// A value for the interpreter: '...' with ' doubled.
std::string Quoted(const SqlValue& value) {
    if (!value)
        return "NULL";
    std::string out = "'";
    for (char c : *value)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// The interpreter's statement travels inside double quotes on its command line.
bool FitsCommandLine(const SqlValue& value) {
    return !value || std::all_of(value->begin(), value->end(), [](char c) {
        return c >= 0x20 && c <= 0x7E && c != '"' && c != '\\';
    });
}

std::size_t SnColumn(const JournalTable& table) {
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (AsciiLower(table.columns[i].name) == "sn")
            return i;
    return table.columns.size();
}

class CCabinetUndo {
public:
    CCabinetUndo(CSqlServerSession& session, const UndoJournal& journal)
        : session_(session), journal_(journal) {}

    UndoOutcome Run() {
        if (!Send("SET LOCK_TIMEOUT 30000") || !Send("BEGIN TRANSACTION"))
            return result_;
        if (!Verify() || !result_.differences.empty() || !Insert() || !Update()) {
            if (session_.ExecuteStatement("ROLLBACK") != Outcome::Done)
                session_.Disconnect(); // the server rolls back what a closed connection left
            if (!result_.differences.empty())
                result_.end = UndoEnd::Differs;
            return result_;
        }
        if (Send("COMMIT"))
            result_.end = UndoEnd::Done;
        return result_;
    }

private:
    bool Send(const std::string& sql) {
        if (session_.ExecuteStatement(sql) == Outcome::Done)
            return true;
        result_.reason = Ansi("SQL 文を実行できません: ") + sql;
        return false;
    }
    bool Read(const std::string& sql, SqlRowSet& rows) {
        if (session_.ReadRows(sql, rows) == Outcome::Done)
            return true;
        result_.reason = Ansi("SQL 文を実行できません: ") + sql;
        return false;
    }
    bool Verify() {
        for (const JournalChange& change : journal_.changes) {
            SqlRowSet rows;
            if (!Read("select " + change.column + " from " + change.table +
                          " where SN = " + change.sn,
                      rows))
                return false;
            const std::string where = change.table + " SN=" + change.sn + " " + change.column;
            if (rows.rows.empty())
                result_.differences.push_back(where + Ansi(": 行がありません"));
            else if (rows.rows[0].empty() || rows.rows[0][0] != change.written)
                result_.differences.push_back(
                    where + ": " + (rows.rows[0].empty() ? "?" : Shown(rows.rows[0][0])) +
                    Ansi(" (補正後の値: ") + Shown(change.written) + ")");
        }
        for (const JournalTable& table : journal_.deleted) {
            const std::size_t sn = SnColumn(table);
            for (const std::vector<SqlValue>& row : table.rows) {
                SqlRowSet rows;
                if (!Read("select SN from " + table.name + " where SN = " + *row[sn], rows))
                    return false;
                if (!rows.rows.empty())
                    result_.differences.push_back(table.name + " SN=" + *row[sn] +
                                                  Ansi(": 削除した行がまたあります"));
            }
        }
        return true;
    }
    bool Insert() {
        for (const JournalTable& table : journal_.deleted) {
            std::string columns;
            bool identity = false;
            for (const SqlColumn& column : table.columns) {
                columns += (columns.empty() ? "[" : ", [") + column.name + "]";
                identity = identity || column.identity;
            }
            if (identity && !Send("SET IDENTITY_INSERT " + table.name + " ON"))
                return false;
            for (const std::vector<SqlValue>& row : table.rows) {
                std::string values;
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const auto literal = SqlLiteral(table.columns[i].type, row[i]);
                    if (!literal) {
                        result_.reason = Ansi("値が列の型に合いません: ") + table.name + "." +
                                         table.columns[i].name;
                        return false;
                    }
                    values += (i == 0 ? "" : ", ") + *literal;
                }
                if (!Send("insert into " + table.name + " (" + columns + ") values (" + values +
                          ")"))
                    return false;
                ++result_.insertedRows;
            }
            if (identity && !Send("SET IDENTITY_INSERT " + table.name + " OFF"))
                return false;
        }
        return true;
    }
    bool Update() {
        for (const JournalChange& change : journal_.changes) {
            const auto previous = SqlLiteral(kSnType, change.previous);
            const auto written = SqlLiteral(kSnType, change.written);
            if (!previous || !written) {
                result_.reason = Ansi("値が SN ではありません: ") + change.table;
                return false;
            }
            if (!Send("update " + change.table + " set " + change.column + " = " + *previous +
                      " where SN = " + change.sn + " and " + Holds(change.column, *written)))
                return false;
            ++result_.restoredValues;
        }
        return true;
    }

    CSqlServerSession& session_;
    const UndoJournal& journal_;
    UndoOutcome result_;
};

} // namespace

bool CheckUndoable(const UndoJournal& journal, std::string& why) {
    if (!journal.ready) {
        why = Ansi("補正はコミットされていません。元に戻すものはありません。");
        return false;
    }
    for (const JournalTable& table : journal.deleted) {
        const std::size_t sn = SnColumn(table);
        if (sn == table.columns.size()) {
            why = Ansi("SN の列がありません: ") + table.name;
            return false;
        }
        for (const std::vector<SqlValue>& row : table.rows)
            if (!row[sn] || !IsSn(*row[sn])) {
                why = Ansi("SN ではない値があります: ") + table.name;
                return false;
            }
    }
    for (const JournalChange& applied : journal.applied)
        if (!FitsCommandLine(applied.previous) || !FitsCommandLine(applied.written)) {
            why = Ansi("文書タイプの値に使えない文字があります: SN=") + applied.sn;
            return false;
        }
    return true;
}

std::optional<std::string> SqlLiteral(int type, const SqlValue& value) {
    if (!value)
        return "NULL";
    if (!FitsType(type, *value))
        return std::nullopt;
    if (OneOf(type, kTextTypes))
        return TextLiteral(*value);
    if (OneOf(type, kBinaryTypes))
        return "0x" + *value;
    if (OneOf(type, kQuotedTypes))
        return "'" + *value + "'";
    return *value;
}

UndoOutcome UndoCabinet(CSqlServerSession& session, const UndoJournal& journal) {
    return CCabinetUndo(session, journal).Run();
}

UndoOutcome UndoDocTypes(const RunServices& services, const UndoJournal& journal) {
    UndoOutcome result;
    for (const JournalChange& applied : journal.applied) {
        const std::string statement = "update " + applied.table + " set " + applied.column + " = " +
                                      (applied.previous ? Quoted(applied.previous) : "null") +
                                      " where SN = " + applied.sn + " and " +
                                      Holds(applied.column, Quoted(applied.written));
        std::string output;
        const std::uint32_t status = services.docTypeQuery(statement, output);
        const CTokenList lines = SplitLines(output);
        if (status != kSqliOk || lines.Count() == 0 || IsInterpreterError(lines.At(0))) {
            result.reason = Ansi("文書タイプを戻せません: ") + statement;
            return result;
        }
        const std::string last = lines.At(lines.Count() - 1);
        if (last.rfind("1 row(s) affected", 0) == 0)
            ++result.restoredValues;
        else
            result.differences.push_back(
                applied.table + " SN=" + applied.sn + " " + applied.column +
                Ansi(": 補正後に変更されています (補正後の値: ") + Shown(applied.written) + ")");
    }
    result.end = result.differences.empty() ? UndoEnd::Done : UndoEnd::Differs;
    return result;
}
