#include "MainDialog.h"

#include "Application.h"
#include "LogFile.h"
#include "Text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kProgressRangeMax = 65535; // the bar's range is a 16-bit value

} // namespace

std::string CabinetProgressText(const std::string& name, const std::string& doing) {
    return Ansi("キャビネット: ") + name + "\r\n" + doing;
}

CMainDialog::CMainDialog(const PhaseLogTexts& logTexts, IDialogView& view,
                         CServerInventory& inventory, DialogServices services)
    : view_(view), inventory_(inventory), services_(std::move(services)),
      runServices_(services_.run), runLog_(services_.log, services_.run.loadText, logTexts),
      subscribers_({&runLog_, this}) {
    runServices_.yield = [this] { YieldNow(); };
}

void CMainDialog::Initialise() {
    LoadCabinets();
    AddCabinetColumns();
    FillCabinetList();
    UpdateOkButton();
}

void CMainDialog::LoadCabinets() {
    inventory_.LoadCabinets();
}

void CMainDialog::AddCabinetColumns() {
    view_.AddColumn(IDC_CABINET_LIST, Ansi("キャビネット名"), 250);
    view_.AddColumn(IDC_CABINET_LIST, Ansi("状態"), 80);
}

void CMainDialog::FillCabinetList() {
    view_.ClearList(IDC_CABINET_LIST);
    if (!inventory_.IsInstalled(0))
        return;
    const std::vector<CabinetRecord>& cabinets = inventory_.Entry(0).cabinets;
    for (std::size_t i = 0; i < cabinets.size(); ++i) {
        const bool running = std::strcmp(cabinets[i].operationMode, "0") == 0;
        view_.AddItem(IDC_CABINET_LIST,
                      {CabinetName(cabinets[i]), Ansi(running ? "動作中" : "停止中")},
                      running ? kImageRunning : kImageStopped, static_cast<int>(i));
    }
}

std::vector<CabinetRecord> CMainDialog::SelectedCabinets() const {
    std::vector<CabinetRecord> records;
    if (!inventory_.IsInstalled(0))
        return records;
    const std::vector<CabinetRecord>& cabinets = inventory_.Entry(0).cabinets;
    for (int index : view_.SelectedItems(IDC_CABINET_LIST))
        if (index >= 0 && static_cast<std::size_t>(index) < cabinets.size())
            records.push_back(cabinets[static_cast<std::size_t>(index)]);
    return records;
}

void CMainDialog::AppendReport(const std::string& text) {
    report_ += text;
    RefreshDialog();
}

void CMainDialog::SetReport(const std::string& text) {
    if (text != report_) {
        report_ = text;
        reportReplaced_ = true;
    }
    RefreshDialog();
}

// Setting an edit's text measures and redraws all of it, which a long report would pay at
// every refresh: what was appended since the last refresh is appended to the edit, and the
// whole text is set only when the report was set anew.
void CMainDialog::RefreshDialog() {
    if (reportReplaced_)
        view_.SetText(IDC_REPORT, report_);
    else if (report_.size() > shownLength_)
        view_.AppendText(IDC_REPORT, std::string_view(report_).substr(shownLength_));
    reportReplaced_ = false;
    shownLength_ = report_.size();
}

void CMainDialog::Failed(const RunFailure& failure) {
    if (!failure.shown.empty())
        view_.ShowMessage(failure.shown, kMbOk | kMbIconStop);
}

void CMainDialog::PhaseBegun(RunPhase phase, const std::string& name) {
    view_.SetWaitCursor(true);
    const bool checks = phase == RunPhase::CabinetCheck || phase == RunPhase::DocumentTypeCheck;
    const char* doing = checks ? "をチェック中です。" : "を補正中です。";
    const bool cabinet = phase == RunPhase::CabinetCheck || phase == RunPhase::CabinetRepair;
    SetProgressText(cabinet ? CabinetProgressText(name, Ansi(doing))
                            : Ansi("文書タイプ") + Ansi(doing));
    view_.PumpMessages();
}

void CMainDialog::StepDone(int step) {
    SetProgressStep(step);
    RefreshProgress();
    view_.PumpMessages();
}

// Between rows: the window's messages and the wait cursor, nothing that paints.
void CMainDialog::YieldNow() {
    view_.PumpMessages();
    view_.SetWaitCursor(true);
}

IProgressWindow& CMainDialog::BeginProgress(int steps) {
    progress_ = view_.CreateProgressWindow();
    progressSteps_ = steps;
    progressText_.clear();
    progress_->SetRange(std::min(steps, kProgressRangeMax));
    progress_->SetPosition(0);
    progress_->Show();
    return *progress_;
}

void CMainDialog::SetProgressStep(int step) {
    progress_->SetPosition(
        progressSteps_ <= kProgressRangeMax
            ? step
            : static_cast<int>(static_cast<long long>(step) * kProgressRangeMax / progressSteps_));
}

void CMainDialog::SetProgressText(const std::string& text) {
    progressText_ = text;
    RefreshProgress();
}

void CMainDialog::RefreshProgress() {
    if (progress_)
        progress_->SetText(progressText_);
}

void CMainDialog::EndProgress() {
    progress_.reset();
}

void CMainDialog::HideProgress() {
    if (progress_)
        progress_->Hide();
    EndProgress();
}

CCabinetSession CMainDialog::OpenCabinetSession(const CabinetRecord& record) {
    CCabinetSession session = LogIn(services_.run.makeSession(record), subscribers_);
    OpenDatabase(session, record, subscribers_);
    return session;
}
