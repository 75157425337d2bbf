// The undo journal of one repair run (UndoJournal.h): a new file in the journals' folder,
// opened before the repair changes anything; every row deleted and every value handed over
// written down before its statement is sent; the document types to reset taken before
// COMMIT; the part before COMMIT on the disk (with its SHA-256 under the tools' key) before
// COMMIT is sent, and each document type reset afterwards appended and flushed before the
// next. A step that cannot be written is told, and the repair stops before the change.
#pragma once

#include "RunServices.h"
#include "TokenList.h"
#include "UndoJournal.h"
#include "UndoJournalStore.h"
#include "UserRepair.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

class CRepairJournal : public IRepairRecord {
public:
    CRepairJournal(const CabinetRecord& cabinet, const RunServices& services, IRunEvents& events);

    Outcome Open();
    // The transaction's session, where the rows to delete are read.
    void UseSession(const CSqlServerSession& session) { session_ = session; }
    Outcome BeforeDelete(const std::string& table, const std::string& condition) override;
    Outcome BeforeChange(const std::string& table, const std::string& sn, const std::string& column,
                         const std::string& previous, const std::string& written) override;
    // The document types the repair will reset: the select's lines (header first).
    Outcome Plan(const CTokenList& lines);
    // All of the above on the disk.
    Outcome Ready();
    // A document type reset after COMMIT.
    Outcome Applied(const std::string& sn);

    bool IsReady() const { return ready_; }
    const std::string& Path() const { return path_; }

private:
    Outcome Failed(const std::string& why);
    Outcome Flush();

    const CabinetRecord& cabinet_;
    const RunServices& services_;
    IRunEvents& events_;
    std::unique_ptr<IAdminFolder> folder_;
    std::unique_ptr<CUndoJournalFile> file_;
    std::unique_ptr<CUndoJournalWriter> writer_;
    std::optional<CSqlServerSession> session_;
    std::map<std::string, std::string> planned_; // SN -> the name it is known by
    std::set<std::string> applied_;
    std::string path_;
    bool ready_ = false;
};
