#include "RepairJournal.h"

#include "SqliQuery.h"

#include "StringIds.h"
#include "Text.h"
#include "ToolVersion.h"

#include <ctime>

namespace {

const char kDocTypeTable[] = "MasterDocType";
const char kDocTypeColumn[] = "DocNumberFormat";

std::string LocalNow() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    return text;
}

} // namespace

CRepairJournal::CRepairJournal(const CabinetRecord& cabinet, const RunServices& services,
                               IRunEvents& events)
    : cabinet_(cabinet), services_(services), events_(events) {}

Outcome CRepairJournal::Failed(const std::string& why) {
    RunFailure failure;
    failure.shown = FormatText(services_.loadText(IDS_JOURNAL_FAILED), {why});
    failure.logText = failure.shown;
    events_.Failed(failure);
    return Outcome::Failed;
}

Outcome CRepairJournal::Flush() {
    std::string why;
    return file_->Append(writer_->TakePending(), why) == Outcome::Done ? Outcome::Done
                                                                       : Failed(why);
}

Outcome CRepairJournal::Open() {
    const JournalHeader header{cabinet_.databaseName, cabinet_.databaseHost, VT_VERSION_TEXT,
                               LocalNow()};
    std::string why;
    if (!services_.journalFolder || services_.toolKey == nullptr)
        return Failed(Ansi("記録の置き場所がありません。"));
    folder_ = services_.journalFolder(why);
    if (!folder_)
        return Failed(why);
    // Two repairs of a cabinet in one second: the second journal is numbered.
    const std::string name = UndoJournalFileName(header);
    std::unique_ptr<IAppendFile> file = folder_->NewFile(name, why);
    for (int number = 2; !file && number <= 9; ++number)
        file = folder_->NewFile(name + "-" + std::to_string(number), why);
    if (!file)
        return Failed(why);
    path_ = file->Path();
    file_ = std::make_unique<CUndoJournalFile>(std::move(file), *services_.toolKey);
    writer_ = std::make_unique<CUndoJournalWriter>(header, RepairJournalScope());
    if (!writer_->Started(why))
        return Failed(why);
    return Flush();
}

Outcome CRepairJournal::BeforeDelete(const std::string& table, const std::string& condition) {
    SqlRowSet rows;
    std::string why;
    if (!session_ ||
        session_->ReadRows("select * from " + table + " where " + condition, rows) != Outcome::Done)
        return Failed(table + Ansi(" の行を読めません。"));
    return writer_->DeletedRows(table, rows, why) == Outcome::Done ? Outcome::Done : Failed(why);
}

Outcome CRepairJournal::BeforeChange(const std::string& table, const std::string& sn,
                                     const std::string& column, const std::string& previous,
                                     const std::string& written) {
    std::string why;
    return writer_->Changed({table, sn, column, previous, written}, why) == Outcome::Done
               ? Outcome::Done
               : Failed(why);
}

Outcome CRepairJournal::Plan(const CTokenList& lines) {
    std::string why;
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        // A type listed under several names is reset once, and known by its first name.
        if (!planned_.emplace(values.At(0), values.At(1)).second)
            continue;
        if (writer_->Planned(
                {kDocTypeTable, values.At(0), kDocTypeColumn, std::string("NULL"), values.At(1)},
                why) != Outcome::Done)
            return Failed(why);
    }
    return Outcome::Done;
}

Outcome CRepairJournal::Ready() {
    std::string why;
    if (writer_->Ready(why) != Outcome::Done || Flush() != Outcome::Done)
        return why.empty() ? Outcome::Failed : Failed(why);
    ready_ = true;
    return Outcome::Done;
}

Outcome CRepairJournal::Applied(const std::string& sn) {
    if (planned_.count(sn) == 0 || !applied_.insert(sn).second)
        return Outcome::Done;
    std::string why;
    if (writer_->Applied({kDocTypeTable, sn, kDocTypeColumn, std::string("NULL"), std::nullopt},
                         why) != Outcome::Done)
        return Failed(why);
    return Flush();
}
