// The rules of the journal's records (UndoJournal.h): where each kind may stand, what its
// fields may hold, and that nothing outside the scope is named.
#include "UndoJournal.h"

#include "Text.h"
#include "UndoJournalFormat.h"

#include <algorithm>

namespace undo_journal {

namespace {

const char* const kHeaderKinds[] = {"database", "host", "tool", "started"};

using Fields = std::vector<SqlValue>;

bool IsStartTime(const std::string& text) {
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kShape - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (kShape[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != kShape[i])
            return false;
    return true;
}

bool IsSnOrNull(const SqlValue& value) {
    return !value || IsSn(*value);
}

bool Texts(Fields::const_iterator begin, Fields::const_iterator end) {
    return std::all_of(begin, end, [](const SqlValue& value) { return value.has_value(); });
}

JournalTable* FindTable(UndoJournal& journal, const std::string& name) {
    for (JournalTable& table : journal.deleted)
        if (table.name == name)
            return &table;
    return nullptr;
}

std::string ColumnProblem(UndoJournal& journal, const JournalScope& scope, const Fields& f) {
    if (!scope.deletedTables.count(*f[1]))
        return Ansi("行を削除するテーブルではありません: ") + *f[1];
    if (!IsName(*f[2]) || !TypeCode(*f[3]) || !IsCount(*f[4]) || !IsCount(*f[5]) ||
        f[5]->size() > 4 || (*f[6] != "null" && *f[6] != "not null") ||
        (*f[7] != "identity" && *f[7] != "-"))
        return Ansi("列の説明が正しくありません。");
    if (const JournalTable* table = FindTable(journal, *f[1])) {
        if (!table->rows.empty())
            return Ansi("行の後に列の説明があります。");
        for (const SqlColumn& column : table->columns)
            if (column.name == *f[2])
                return Ansi("同じ列が二度あります: ") + *f[2];
    }
    return {};
}

std::string TakeColumn(UndoJournal& journal, const JournalScope& scope, const Fields& f) {
    std::string problem = ColumnProblem(journal, scope, f);
    if (!problem.empty())
        return problem;
    JournalTable* table = FindTable(journal, *f[1]);
    if (table == nullptr)
        table = &journal.deleted.emplace_back(JournalTable{*f[1], {}, {}});
    table->columns.push_back({*f[2], *TypeCode(*f[3]), std::stoull(*f[4]), std::stoi(*f[5]),
                              *f[6] == "null", *f[7] == "identity"});
    return {};
}

std::string TakeRow(UndoJournal& journal, const Fields& f) {
    JournalTable* table = FindTable(journal, *f[1]);
    if (table == nullptr)
        return Ansi("列の説明のないテーブルの行です: ") + *f[1];
    if (f.size() - 2 != table->columns.size())
        return Ansi("値の数が列の数と違います。");
    for (std::size_t i = 0; i < table->columns.size(); ++i) {
        const SqlColumn& column = table->columns[i];
        const SqlValue& value = f[i + 2];
        if (value ? !FitsType(column.type, *value) : !column.nullable)
            return Ansi("列の型に合わない値です: ") + column.name;
    }
    table->rows.emplace_back(f.begin() + 2, f.end());
    return {};
}

std::string TakeReady(UndoJournal& journal, const Fields& f) {
    std::size_t rows = 0;
    for (const JournalTable& table : journal.deleted)
        rows += table.rows.size();
    if (!IsCount(*f[1]) || !IsCount(*f[2]) || !IsCount(*f[3]))
        return Ansi("件数が数字ではありません。");
    if (*f[1] != std::to_string(rows) || *f[2] != std::to_string(journal.changes.size()) ||
        *f[3] != std::to_string(journal.planned.size()))
        return Ansi("件数が記録の数と合いません。");
    journal.ready = true;
    return {};
}

} // namespace

std::string CRecords::TakeChange(std::vector<JournalChange>& list, std::set<Key>& keys,
                                 const std::set<std::pair<std::string, std::string>>& allowed,
                                 const Fields& f, bool snValues) {
    if (!allowed.count({*f[1], *f[3]}))
        return Ansi("補正の対象ではない列です: ") + *f[1] + "." + *f[3];
    if (!IsSn(*f[2]) || (snValues && (!IsSnOrNull(f[4]) || !IsSnOrNull(f[5]))))
        return Ansi("SN が数字ではありません。");
    if (!keys.insert({*f[1], *f[2], *f[3]}).second)
        return Ansi("同じ値の記録が二度あります。");
    list.push_back({*f[1], *f[2], *f[3], f[4], f[5]});
    return {};
}

std::string CRecords::TakeRecord(const Fields& f) {
    const std::string kind = f.empty() || !f[0] ? std::string() : *f[0];
    if (lines_ == 0) {
        if (kind != "Mendora undo journal" || f.size() != 2 || !f[1])
            return Ansi("取り消し記録ではありません。");
        return *f[1] == "1" ? std::string() : Ansi("読めない版です: ") + *f[1];
    }
    if (lines_ <= 4) {
        std::string* const values[] = {&journal_.header.database, &journal_.header.host,
                                       &journal_.header.tool, &journal_.header.started};
        if (kind != kHeaderKinds[lines_ - 1] || f.size() != 2 || !f[1] ||
            (lines_ == 1 && f[1]->empty()) || (lines_ == 4 && !IsStartTime(*f[1])))
            return Ansi("見出しが正しくありません。");
        *values[lines_ - 1] = *f[1];
        return {};
    }
    // The fields that must be texts: all of them, but for a row's values and the values of
    // change, planned and applied.
    static const struct {
        const char* kind;
        std::size_t fields, texts;
    } kKinds[] = {{"column", 8, 8},  {"row", 0, 2},   {"change", 6, 4},
                  {"planned", 6, 4}, {"ready", 4, 4}, {"applied", 6, 4}};
    const auto known = std::find_if(std::begin(kKinds), std::end(kKinds),
                                    [&](const auto& k) { return kind == k.kind; });
    if (known == std::end(kKinds))
        return Ansi("不明な記録です。");
    if ((known->fields == 0 ? f.size() < 2 : f.size() != known->fields) ||
        !Texts(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(known->texts)))
        return Ansi("項目の数が正しくありません。");
    if ((kind == "applied") != journal_.ready)
        return Ansi(journal_.ready ? "ready の後には applied しか書けません。"
                                   : "applied の前に ready がありません。");
    if (kind == "column")
        return TakeColumn(journal_, scope_, f);
    if (kind == "row")
        return TakeRow(journal_, f);
    if (kind == "change")
        return TakeChange(journal_.changes, changed_, scope_.changedColumns, f, true);
    if (kind == "planned")
        return TakeChange(journal_.planned, planned_, scope_.plannedColumns, f, false);
    if (kind == "ready")
        return TakeReady(journal_, f);
    const JournalChange applied{*f[1], *f[2], *f[3], f[4], f[5]};
    const bool wasPlanned =
        std::any_of(journal_.planned.begin(), journal_.planned.end(), [&](const auto& p) {
            return p.table == applied.table && p.sn == applied.sn && p.column == applied.column &&
                   p.previous == applied.previous;
        });
    if (!wasPlanned)
        return Ansi("予定にない変更です。");
    if (!applied_.insert({applied.table, applied.sn, applied.column}).second)
        return Ansi("同じ値の記録が二度あります。");
    journal_.applied.push_back(applied);
    return {};
}

std::string CRecords::Take(const Fields& fields) {
    std::string problem = TakeRecord(fields);
    if (problem.empty())
        ++lines_;
    return problem;
}

CRecords::Checkpoint CRecords::Mark(const std::string& table) const {
    std::size_t rows = 0;
    for (const JournalTable& t : journal_.deleted)
        if (t.name == table)
            rows = t.rows.size();
    return {lines_, journal_.deleted.size(), rows, table};
}

void CRecords::Rewind(const Checkpoint& checkpoint) {
    lines_ = checkpoint.lines;
    journal_.deleted.resize(checkpoint.tables);
    if (JournalTable* table = FindTable(journal_, checkpoint.table))
        table->rows.resize(checkpoint.rows);
}

} // namespace undo_journal
