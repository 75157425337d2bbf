// The writer and the reader around the records' rules (UndoJournalRecords.cpp) and the
// text of a line (UndoJournalFormat.cpp).
#include "UndoJournal.h"

#include "Mbcs.h"
#include "Text.h"
#include "UndoJournalFormat.h"

#include <algorithm>
#include <utility>

using namespace undo_journal;

std::string UndoJournalFileName(const JournalHeader& header) {
    std::string name = "Mendora-undo-";
    const std::string& database = header.database;
    for (std::size_t i = 0; i < database.size();) {
        const std::size_t length = mbcs::CharLength(database.c_str() + i);
        const unsigned char c = static_cast<unsigned char>(database[i]);
        if (length == 1 &&
            (c < 0x20 || c == 0x7F ||
             std::string_view("\\/:*?\"<>|").find(database[i]) != std::string_view::npos))
            name.push_back('_');
        else
            name.append(database, i, length);
        i += length;
    }
    std::string stamp;
    for (const char c : header.started)
        if (c >= '0' && c <= '9')
            stamp.push_back(c);
    return name + "-" + stamp.substr(0, 8) + "-" +
           stamp.substr(std::min<std::size_t>(8, stamp.size()));
}

CUndoJournalWriter::CUndoJournalWriter(const JournalHeader& header, JournalScope scope)
    : records_(std::move(scope)) {
    const std::vector<SqlValue> lines[] = {{"Mendora undo journal", "1"},
                                           {"database", header.database},
                                           {"host", header.host},
                                           {"tool", header.tool},
                                           {"started", header.started}};
    for (const std::vector<SqlValue>& fields : lines)
        if (Add(fields, startFailure_) == Outcome::Failed) {
            startFailure_ = Ansi("見出し ") + *fields[0] + ": " + startFailure_;
            return;
        }
}

bool CUndoJournalWriter::Started(std::string& why) const {
    why = startFailure_;
    return startFailure_.empty();
}

Outcome CUndoJournalWriter::Add(const std::vector<SqlValue>& fields, std::string& why) {
    if (!startFailure_.empty()) {
        why = startFailure_;
        return Outcome::Failed;
    }
    const std::optional<std::string> line = FormatLine(fields);
    if (!line) {
        why = Ansi("コードページ 932 として読み戻せない文字列があります。");
        return Outcome::Failed;
    }
    why = records_.Take(fields);
    if (!why.empty())
        return Outcome::Failed;
    pending_ += *line;
    return Outcome::Done;
}

Outcome CUndoJournalWriter::DeletedRows(const std::string& table, const SqlRowSet& rows,
                                        std::string& why) {
    if (rows.inexact) {
        why = Ansi("コードページ 932 にない文字を含む行は記録できません: ") + table;
        return Outcome::Failed;
    }
    std::vector<std::vector<SqlValue>> records;
    const auto& deleted = records_.Journal().deleted;
    const auto known = std::find_if(deleted.begin(), deleted.end(),
                                    [&](const JournalTable& t) { return t.name == table; });
    if (known == deleted.end()) {
        for (const SqlColumn& column : rows.columns)
            records.push_back({"column", table, column.name,
                               TypeName(column.type).value_or(std::to_string(column.type)),
                               std::to_string(column.size), std::to_string(column.digits),
                               column.nullable ? "null" : "not null",
                               column.identity ? "identity" : "-"});
    } else if (known->columns != rows.columns) {
        why = Ansi("前と列の違う行です: ") + table;
        return Outcome::Failed;
    }
    for (const std::vector<SqlValue>& row : rows.rows) {
        records.push_back({"row", table});
        records.back().insert(records.back().end(), row.begin(), row.end());
    }
    const CRecords::Checkpoint checkpoint = records_.Mark(table);
    const std::size_t pending = pending_.size();
    for (const std::vector<SqlValue>& record : records)
        if (Add(record, why) == Outcome::Failed) {
            records_.Rewind(checkpoint);
            pending_.resize(pending);
            return Outcome::Failed;
        }
    return Outcome::Done;
}

Outcome CUndoJournalWriter::Changed(const JournalChange& change, std::string& why) {
    return Add({"change", change.table, change.sn, change.column, change.previous, change.written},
               why);
}

Outcome CUndoJournalWriter::Planned(const JournalChange& planned, std::string& why) {
    // The label only tells the administrator which one it is: one that would not read back
    // the same is left out rather than stopping the repair.
    SqlValue label = planned.written;
    if (label && !FormatLine({label}))
        label.reset();
    return Add({"planned", planned.table, planned.sn, planned.column, planned.previous, label},
               why);
}

Outcome CUndoJournalWriter::Ready(std::string& why) {
    std::size_t rows = 0;
    for (const JournalTable& table : records_.Journal().deleted)
        rows += table.rows.size();
    return Add({"ready", std::to_string(rows), std::to_string(Journal().changes.size()),
                std::to_string(Journal().planned.size())},
               why);
}

Outcome CUndoJournalWriter::Applied(const JournalChange& applied, std::string& why) {
    return Add(
        {"applied", applied.table, applied.sn, applied.column, applied.previous, applied.written},
        why);
}

std::string CUndoJournalWriter::TakePending() {
    return std::exchange(pending_, std::string());
}

Outcome ReadUndoJournal(std::string_view bytes, const JournalScope& scope, UndoJournal& journal,
                        std::string& why) {
    CRecords records(scope);
    std::vector<SqlValue> fields;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        const std::string line = std::to_string(records.Lines() + 1);
        std::string problem;
        if (end == std::string_view::npos)
            problem = Ansi("改行で終わっていません (書き込みが途中で終わりました)。");
        else if (ParseLine(bytes.substr(start, end - start), fields, problem))
            problem = records.Take(fields);
        if (!problem.empty()) {
            why = Ansi("取り消し記録の ") + line + Ansi(" 行目: ") + problem;
            return Outcome::Failed;
        }
        start = end + 1;
    }
    if (records.Lines() < 5) {
        why = Ansi("取り消し記録の見出しがそろっていません。");
        return Outcome::Failed;
    }
    journal = std::move(records.Journal());
    return Outcome::Done;
}
