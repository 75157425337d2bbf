// The undo journal read from whatever a file holds. A refused file says why; an accepted one
// is a journal the writer writes again as one that reads back the same: the reader accepts
// nothing the writer would refuse, and the two agree on every value.
#include "FuzzCheck.h"
#include "UndoJournal.h"

#include <cstdint>
#include <string>

namespace {

bool SameChanges(const std::vector<JournalChange>& a, const std::vector<JournalChange>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].table != b[i].table || a[i].sn != b[i].sn || a[i].column != b[i].column ||
            a[i].previous != b[i].previous || a[i].written != b[i].written)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const JournalScope scope = RepairJournalScope();
    UndoJournal read;
    std::string why;
    if (ReadUndoJournal(bytes, scope, read, why) == Outcome::Failed) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    CUndoJournalWriter writer(read.header, scope);
    FUZZ_CHECK(writer.Started(why));
    for (const JournalTable& table : read.deleted) {
        SqlRowSet rows;
        rows.columns = table.columns;
        rows.rows = table.rows;
        FUZZ_CHECK(writer.DeletedRows(table.name, rows, why) == Outcome::Done);
    }
    for (const JournalChange& change : read.changes)
        FUZZ_CHECK(writer.Changed(change, why) == Outcome::Done);
    for (const JournalChange& planned : read.planned)
        FUZZ_CHECK(writer.Planned(planned, why) == Outcome::Done);
    if (read.ready)
        FUZZ_CHECK(writer.Ready(why) == Outcome::Done);
    for (const JournalChange& applied : read.applied)
        FUZZ_CHECK(writer.Applied(applied, why) == Outcome::Done);
    UndoJournal again;
    FUZZ_CHECK(ReadUndoJournal(writer.TakePending(), scope, again, why) == Outcome::Done);
    FUZZ_CHECK(again.header.database == read.header.database &&
               again.header.host == read.header.host && again.header.tool == read.header.tool &&
               again.header.started == read.header.started);
    FUZZ_CHECK(again.deleted.size() == read.deleted.size());
    for (std::size_t i = 0; i < read.deleted.size(); ++i)
        FUZZ_CHECK(again.deleted[i].name == read.deleted[i].name &&
                   again.deleted[i].columns == read.deleted[i].columns &&
                   again.deleted[i].rows == read.deleted[i].rows);
    FUZZ_CHECK(SameChanges(again.changes, read.changes) &&
               SameChanges(again.planned, read.planned) && again.ready == read.ready &&
               SameChanges(again.applied, read.applied));
    return 0;
}
