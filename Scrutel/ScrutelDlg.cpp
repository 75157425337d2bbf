#include "ScrutelDlg.h"

#include "Application.h"
#include "DocNumberFormatCheck.h"
#include "DocumentContentCheck.h"
#include "Findings.h"
#include "LogFile.h"
#include "StringIds.h"
#include "Text.h"
#include "UserRecordCheck.h"

namespace {

Outcome UserRecords(ICheckHost& host, const CabinetRecord& record, CSqlServerSession session) {
    UserCheckResult reportedOnly;
    return CheckUserRecords(host, record, session, reportedOnly);
}

// The six checks of a cabinet, in the order of the report, each with the name a run
// without a window records it by.
struct CabinetCheck {
    const char* name;
    Outcome (*run)(ICheckHost&, const CabinetRecord&, CSqlServerSession);
};
const CabinetCheck kCabinetChecks[kChecksPerCabinet] = {
    {"userRecords", UserRecords},
    {"sectionCount", DocumentContentCheckAt<0>},
    {"zeroByteSections", DocumentContentCheckAt<1>},
    {"oversizedSections", DocumentContentCheckAt<2>},
    {"checkedOutDocuments", DocumentContentCheckAt<3>},
    {"unsupportedExtensions", DocumentContentCheckAt<4>}};

// Stands in for the observer of a run with a window.
class CNoObserver : public ICheckRunObserver {
public:
    void CabinetBegun(const CabinetRecord&) override {}
    void DocumentTypesBegun() override {}
    void SectionCounted(long) override {}
    void CheckEnded(const char*, Outcome) override {}
};
CNoObserver gNoObserver;

} // namespace

CScrutelDlg::CScrutelDlg(IDialogView& view, CServerInventory& inventory, DialogServices services,
                         ICheckRunObserver* observer)
    : CMainDialog(kScrutelProfile, view, inventory, std::move(services)),
      observer_(observer != nullptr ? observer : &gNoObserver) {}

void CScrutelDlg::SectionCounted(int, long count) {
    findings_ += count;
    observer_->SectionCounted(count);
}

void CScrutelDlg::Ok() {
    const Outcome outcome = RunCheck();
    services_.events.Report(CheckRunEndedEvent(checked_, findings_, outcome == Outcome::Done));
}

void CScrutelDlg::UpdateOkButton() {
    view_.Enable(kButton1, !view_.SelectedItems(IDC_CABINET_LIST).empty());
}

void CScrutelDlg::ShowReportView() {
    view_.Show(kButton1, false);
    view_.SetText(kButton2, Ansi("閉じる"));
    view_.Enable(kButton2, false);
    view_.Show(IDC_CABINET_LIST, false);
    view_.Show(IDC_REPORT, true);
    view_.Focus(IDC_REPORT);
}

// The run is over, completed or stopped: Close and button 2 are given back.
void CScrutelDlg::EndRun() {
    view_.SetWaitCursor(false);
    view_.EnableCloseCommand(true);
    view_.Enable(kButton2, true);
    Progress().Hide();
    EndProgress();
}

Outcome CScrutelDlg::CheckCabinet(const CabinetRecord& record, int& position) {
    view_.SetWaitCursor(true);
    observer_->CabinetBegun(record);
    currentName_ = record.shortName;
    SetProgressText(CabinetProgressText(currentName_, Ansi("をチェック中です。")));
    AppendReport(Ansi("キャビネット:") + currentName_ + "\r\n\r\n");
    view_.PumpMessages();
    Log().Result(LogStatus::Success,
                 FormatText(LoadText(profile_.idsCheckStarted), {currentName_}));

    // A login or database that fails ends the run like a failed check: the report stays,
    // Close is given back, and closing the dialog restores the service.
    CCabinetSession session = LogIn(record);
    if (!session.Session().IsConnected() || !OpenDatabase(session, record))
        return Outcome::Failed;
    for (const CabinetCheck& check : kCabinetChecks) {
        const Outcome outcome = check.run(*this, record, session.Session());
        observer_->CheckEnded(check.name, outcome);
        if (outcome != Outcome::Done)
            return Outcome::Failed;
        SetProgressStep(++position);
        RefreshProgress();
        Progress().Repaint();
        view_.PumpMessages();
    }
    session.Close();
    AppendReport(kReportSeparator);
    Log().Result(LogStatus::Success,
                 FormatText(LoadText(profile_.idsCheckFinished), {currentName_}));
    return Outcome::Done;
}

Outcome CScrutelDlg::RunCheck() {
    view_.SetWaitCursor(true);
    ShowReportView();
    view_.EnableCloseCommand(false);
    const std::vector<CabinetRecord> selected = SelectedCabinets();
    BeginProgress(kChecksPerCabinet * static_cast<int>(selected.size()) + 1);
    checked_.clear();
    for (const CabinetRecord& record : selected)
        checked_.push_back(CabinetName(record));
    findings_ = 0;

    std::string product;
    if (inventory_.CountNamedCabinets(0, product) == 0) {
        view_.ShowMessage(LoadText(IDS_NO_TARGET_SERVER), kMbOk | kMbIconExclamation);
        EndRun();
        return Outcome::Failed;
    }
    int position = 0;
    for (const CabinetRecord& record : selected) {
        if (CheckCabinet(record, position) != Outcome::Done) {
            services_.events.Report(CheckFailedEvent(currentName_, LastError()));
            EndRun();
            return Outcome::Failed;
        }
    }

    SetProgressText(Ansi("文書タイプをチェック中です。"));
    view_.PumpMessages();
    observer_->DocumentTypesBegun();
    Log().Result(LogStatus::Success, Ansi("文書タイプのデータチェックを開始しました。"));
    int docTypeFindings = 0;
    const Outcome docTypes = CheckDocNumberFormat(*this, docTypeFindings);
    observer_->CheckEnded("documentTypes", docTypes);
    if (docTypes != Outcome::Done) {
        services_.events.Report(CheckFailedEvent(Ansi("文書タイプ"), LastError()));
        EndRun();
        return Outcome::Failed;
    }
    SetProgressStep(++position);
    RefreshProgress();
    Progress().Repaint();
    view_.PumpMessages();
    AppendReport(kReportSeparator);
    Log().Result(LogStatus::Success, Ansi("文書タイプのデータチェックを終了しました。"));
    Progress().Hide();
    AppendReport(LoadText(IDS_CLOSING_HINT));
    EndRun();
    return Outcome::Done;
}
