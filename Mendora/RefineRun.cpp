// The repair run of Mendora's main dialog (CMendoraDlg::RefineUserOrGroup): the user repair
// inside one SQL Server transaction, then the document type repair, each written to the
// report and the log, under a progress window while the dialog cannot be closed.
//
// A failure inside the transaction rolls it back at once: the log then says that the
// cabinet's repair failed and nothing of it was changed, and so does the report in place of
// the sections that could not be written. The per-row lines logged before the failure stay
// as the record of what was attempted. The document type repair is not started then.
#include "MendoraDlg.h"

#include "Application.h"
#include "DocTypeRepair.h"
#include "Findings.h"
#include "LogFile.h"
#include "MendoraRes.h"
#include "StringIds.h"
#include "Text.h"

namespace {

constexpr int kRunEndWaitMs = 500; // the full bar stays readable

} // namespace

Outcome CMendoraDlg::RefineUserOrGroup(CCabinetSession* session, const CabinetRecord& record,
                                       const Account& replacement) {
    const bool users = invalidUsers_.InvalidUserCount > 0 && session != nullptr;
    const bool docTypes = docTypeFindingCount_ != 0;
    const int userSteps =
        users
            ? static_cast<int>(invalidUsers_.InvalidUserSNs.size() * RelatedRecordRepairs().size())
            : 0;
    BeginProgress(userSteps + (docTypes ? 1 : 0));
    view_.EnableCloseCommand(false);
    const auto end = [this](Outcome result) {
        Progress().Hide();
        view_.Repaint();
        view_.EnableCloseCommand(true);
        EndProgress();
        return result;
    };
    AppendReport(LoadText(IDS_REPAIRED) + kReportSeparator);
    int step = 0;

    if (users) {
        currentName_ = record.displayName;
        SetProgressText(CabinetProgressText(currentName_, Ansi("を補正中です。")));
        AppendReport(FormatText(LoadText(IDS_CABINET_HEADER), {currentName_}) + "\r\n\r\n");
        view_.PumpMessages();
        Log().Result(LogStatus::Success, FormatText(LoadText(IDS_REFINE_STARTED), {currentName_}));
        CSqlServerSession transaction = session->Session();
        // While the transaction is open the user's session may not end under it: a shut-down
        // would end the process between two statements.
        view_.BlockSessionEnd(Ansi("データ補正ツールがキャビネットを補正しています。補正が終わる"
                                   "までお待ちください。"));
        const auto failed = [&] {
            view_.AllowSessionEnd();
            return end(Outcome::Failed);
        };
        if (transaction.ExecuteStatement("BEGIN TRANSACTION") != Outcome::Done) {
            view_.ShowMessage(Ansi("トランザクションに失敗しました。"), kMbOk | kMbIconStop);
            Log().ErrorCode(__FILE__, __LINE__, 0, 0, "Transaction Query Error.");
            services_.events.Report(
                RepairRolledBackEvent(currentName_, Ansi("トランザクションに失敗しました。")));
            return failed();
        }
        if (!RepairUsers(transaction, replacement, step)) {
            RollBack(transaction);
            services_.events.Report(RepairRolledBackEvent(currentName_, LastError()));
            return failed();
        }
        if (transaction.ExecuteStatement("COMMIT") != Outcome::Done) {
            view_.ShowMessage(Ansi("コミットに失敗しました。"), kMbOk | kMbIconStop);
            Log().ErrorCode(__FILE__, __LINE__, 0, 0, "Transaction Query Error.");
            RollBack(transaction);
            // The server may have committed before the answer was lost.
            services_.events.Report(
                RepairOutcomeUnknownEvent(currentName_, Ansi("コミットに失敗しました。")));
            return failed();
        }
        view_.AllowSessionEnd();
        services_.events.Report(RepairCommittedEvent(currentName_, counters_.CorrectedRowCount,
                                                     counters_.DeletedRowCount, {}));
        const std::string corrected =
            FormatText(LoadText(IDS_CORRECTED_ROWS), {std::to_string(counters_.CorrectedRowCount)});
        AppendReport(corrected);
        Log().Result(LogStatus::Success, OneLine(corrected));
        const std::string deleted =
            FormatText(LoadText(IDS_DELETED_ROWS), {std::to_string(counters_.DeletedRowCount)});
        AppendReport(deleted);
        Log().Result(LogStatus::Success, OneLine(deleted));
    }
    if (docTypes && RepairDocTypes(step) != Outcome::Done)
        return end(Outcome::Failed);
    services_.sleep(kRunEndWaitMs);
    return end(Outcome::Done);
}

bool CMendoraDlg::RepairUsers(CSqlServerSession session, const Account& replacement, int& step) {
    if (DeleteInvalidUsers(*this, currentName_, session) != Outcome::Done)
        return false;
    counters_ = RepairCounters();
    for (const std::string& userSN : invalidUsers_.InvalidUserSNs) {
        for (const RelatedRecordRepair& repair : RelatedRecordRepairs()) {
            if (RunRelatedRecordRepair(*this, repair, currentName_, session, userSN, replacement,
                                       counters_) != Outcome::Done)
                return false;
            SetProgressStep(++step);
            RefreshProgress();
            view_.PumpMessages();
        }
    }
    return true;
}

void CMendoraDlg::RollBack(CSqlServerSession session) {
    // A ROLLBACK that cannot be sent leaves the transaction to the disconnect that closes
    // the session right after the run, which undoes it as well.
    session.ExecuteStatement("ROLLBACK");
    const std::string rolledBack = FormatText(LoadText(IDS_ROLLED_BACK), {currentName_});
    Log().Result(LogStatus::Failure, rolledBack);
    AppendReport(rolledBack + "\r\n\r\n");
}

Outcome CMendoraDlg::RepairDocTypes(int& step) {
    SetProgressText(Ansi("文書タイプを補正中です。"));
    AppendReport(Ansi("文書タイプ:") + "\r\n\r\n");
    view_.PumpMessages();
    Log().Result(LogStatus::Success, LoadText(IDS_DOC_TYPE_STARTED));
    correctedDocTypeCount_ = 0;
    if (RepairDocNumberFormat(*this, correctedDocTypeCount_) != Outcome::Done)
        return Outcome::Failed;
    const std::string corrected =
        FormatText(LoadText(IDS_CORRECTED_DOC_TYPES), {std::to_string(correctedDocTypeCount_)});
    AppendReport(corrected);
    SetProgressStep(++step);
    RefreshProgress();
    view_.PumpMessages();
    Log().Result(LogStatus::Success, OneLine(corrected));
    Log().Result(LogStatus::Success, LoadText(IDS_DOC_TYPE_ENDED));
    RefreshDialog();
    return Outcome::Done;
}
