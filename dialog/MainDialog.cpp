#include "MainDialog.h"

#include "Application.h"
#include "LogFile.h"
#include "Text.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kProgressRangeMax = 65535; // the bar's range is a 16-bit value

} // namespace

const char kReportSeparator[] =
    "----------------------------------------------------------\r\n\r\n";

std::string CabinetProgressText(const std::string& name, const std::string& doing) {
    return Ansi("キャビネット: ") + name + "\r\n" + doing;
}

CMainDialog::CMainDialog(const ToolProfile& profile, IDialogView& view, CServerInventory& inventory,
                         DialogServices services)
    : profile_(profile), view_(view), inventory_(inventory), services_(std::move(services)) {}

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

void CMainDialog::ShowError(const std::string& message) {
    lastError_ = message;
    view_.ShowMessage(message, kMbOk | kMbIconStop);
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

CCabinetSession CMainDialog::LogIn(const CabinetRecord& record) {
    CCabinetSession session(services_.makeSession(record));
    if (session.Session().Connect() != Outcome::Done) {
        ShowError(Ansi("SQLServerへの接続に失敗しました。"));
        Log().ErrorCode(__FILE__, __LINE__, 0, 0, "SQLServer Connect Error.");
    }
    return session;
}

bool CMainDialog::OpenDatabase(CCabinetSession& session, const CabinetRecord& record) {
    if (session.Session().SelectDatabase(record.databaseName) == Outcome::Done)
        return true;
    session.Session().Disconnect();
    ShowError(Ansi("データベースへの接続に失敗しました。"));
    Log().ErrorCode(__FILE__, __LINE__, 0, 0, "DataBase Connect Error.");
    return false;
}

CCabinetSession CMainDialog::OpenCabinetSession(const CabinetRecord& record) {
    CCabinetSession session = LogIn(record);
    OpenDatabase(session, record);
    return session;
}
