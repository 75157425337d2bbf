#include "MendoraDlg.h"

#include "Application.h"
#include "DocNumberFormatCheck.h"
#include "Findings.h"
#include "LogFile.h"
#include "MendoraRes.h"
#include "StringIds.h"
#include "Text.h"

const char kValidAccountQuery[] =
    "Select SN, AccountName, DomainName \tFrom UserOrGroup where (UserType = 0) and (Not "
    "UserSpace = '') And (UserID LIKE '[A-Z]%%') and (Not UserID = '') order by SN";

namespace {

constexpr int kPhaseEndWaitMs = 500; // the last text of a phase stays readable

} // namespace

CMendoraDlg::CMendoraDlg(IDialogView& view, CServerInventory& inventory, DialogServices services)
    : CMainDialog(kMendoraProfile, view, inventory, std::move(services)) {}

void CMendoraDlg::Initialise() {
    shown_ = MendoraView::CabinetList;
    serversConfirmed_ = false;
    LoadCabinets();
    AddCabinetColumns();
    view_.SetFullRowSelect(IDC_ACCOUNT_LIST);
    view_.AddColumn(IDC_ACCOUNT_LIST, "SN", 30);
    view_.AddColumn(IDC_ACCOUNT_LIST, Ansi("アカウント"), 150);
    view_.AddColumn(IDC_ACCOUNT_LIST, Ansi("ドメイン"), 100);
    FillCabinetList();
    UpdateOkButton();
}

void CMendoraDlg::UpdateOkButton() {
    bool enabled = false;
    switch (shown_) {
    case MendoraView::CabinetList:
        enabled = !view_.SelectedItems(IDC_CABINET_LIST).empty();
        break;
    case MendoraView::CheckResult:
        enabled = invalidUsers_.InvalidUserCount > 0 || docTypeFindingCount_ != 0;
        break;
    case MendoraView::AccountList:
        enabled = !view_.SelectedItems(IDC_ACCOUNT_LIST).empty();
        break;
    case MendoraView::RepairResult:
        break;
    }
    view_.Enable(kButton1, enabled);
}

void CMendoraDlg::Ok() {
    view_.SetWaitCursor(true);
    switch (shown_) {
    case MendoraView::CabinetList:
        serversConfirmed_ = serversConfirmed_ || ConfirmServers();
        if (serversConfirmed_)
            CheckSelectedCabinet();
        break;
    case MendoraView::CheckResult:
        if (invalidUsers_.InvalidUserCount == 0 && docTypeFindingCount_ > 0)
            RepairCabinet(); // nothing for an heir to inherit
        else
            ShowValidAccounts();
        break;
    case MendoraView::AccountList:
        RepairCabinet();
        break;
    case MendoraView::RepairResult:
        ShowCabinetList();
        break;
    }
}

void CMendoraDlg::Command(int button) {
    if (button == IDC_BACK_TO_LIST)
        ShowCabinetList();
}

// Server entries 0 and 1: one with named cabinets is a target, one with a name but no
// cabinets is not (entry 1's cabinets are never loaded).
bool CMendoraDlg::ConfirmServers() {
    std::string targets, nonTargets;
    for (int entry = 0; entry < 2; ++entry) {
        std::string name;
        if (inventory_.CountNamedCabinets(entry, name) > 0)
            targets += "\n    " + name;
        else if (!name.empty())
            nonTargets += "\n    " + name;
    }
    if (targets.empty()) {
        view_.ShowMessage(LoadText(IDS_NO_TARGET_SERVER), kMbOk | kMbIconExclamation);
        return false;
    }
    return nonTargets.empty() || view_.ShowMessage(LoadText(IDS_NON_TARGET_SERVERS) + nonTargets,
                                                   kMbYesNo | kMbIconQuestion) == kIdYes;
}

void CMendoraDlg::CheckSelectedCabinet() {
    const std::vector<CabinetRecord> selected = SelectedCabinets();
    if (selected.empty())
        return;
    ShowReportView();
    current_ = selected.front();
    view_.SetWaitCursor(true);
    CCabinetSession session = OpenCabinetSession(current_);
    view_.Enable(kButton1, false);
    view_.Enable(kButton2, false);
    invalidUsers_ = UserCheckResult();
    docTypeFindingCount_ = 0;
    CheckCabinet(session, current_); // a failure has shown its message: the result view follows

    AppendReport(kReportSeparator);
    Log().Result(LogStatus::Success,
                 FormatText(LoadText(profile_.idsCheckFinished), {currentName_}));
    AppendReport("\r\n");
    view_.ScrollToEnd(IDC_REPORT);
    session.Close();

    view_.SetText(kButton1, LoadText(IDS_REFINE));
    view_.SetText(kButton2, LoadText(IDS_FINISH));
    view_.Show(IDC_BACK_TO_LIST, true);
    view_.PlaceLeftOf(IDC_BACK_TO_LIST, kButton1);
    view_.Enable(kButton1, invalidUsers_.InvalidUserCount > 0 || docTypeFindingCount_ > 0);
    view_.Enable(kButton2, true);
    shown_ = MendoraView::CheckResult;
}

// The user record check, then the document type check, under a progress window of two
// steps. What they found is kept only when they ran to their end: a repair must never
// rest on a check that stopped half-way.
Outcome CMendoraDlg::CheckCabinet(const CCabinetSession& session, const CabinetRecord& record) {
    IProgressWindow& progress = BeginProgress(2);
    view_.EnableCloseCommand(false);
    const auto end = [this](Outcome result) {
        Progress().Hide();
        view_.EnableCloseCommand(true);
        EndProgress();
        return result;
    };
    currentName_ = record.displayName;
    SetProgressText(CabinetProgressText(currentName_, Ansi("をチェック中です。")));
    SetReport(LoadText(IDS_CHECKED) + kReportSeparator +
              FormatText(LoadText(IDS_CABINET_HEADER), {currentName_}) + "\r\n\r\n");
    view_.PumpMessages();
    Log().Result(LogStatus::Success,
                 FormatText(LoadText(profile_.idsCheckStarted), {currentName_}));

    UserCheckResult users;
    if (CheckUserRecords(*this, record, session.Session(), users) != Outcome::Done)
        return end(Outcome::Failed);
    invalidUsers_ = users;
    services_.sleep(kPhaseEndWaitMs);
    progress.SetPosition(1);
    RefreshProgress();
    view_.PumpMessages();
    view_.Repaint();

    SetProgressText(Ansi("文書タイプをチェック中です。"));
    view_.PumpMessages();
    Log().Result(LogStatus::Success, Ansi("文書タイプのデータチェックを開始しました。"));
    int docTypeFindings = 0;
    if (CheckDocNumberFormat(*this, docTypeFindings) != Outcome::Done)
        return end(Outcome::Failed);
    docTypeFindingCount_ = docTypeFindings;
    progress.SetPosition(2);
    RefreshProgress();
    progress.Repaint();
    view_.PumpMessages();
    view_.Repaint();
    Log().Result(LogStatus::Success, Ansi("文書タイプのデータチェックを終了しました。"));
    services_.sleep(kPhaseEndWaitMs);
    return end(Outcome::Done);
}

void CMendoraDlg::ShowValidAccounts() {
    CCabinetSession session = OpenCabinetSession(current_);
    if (!QueryValidAccounts(session)) {
        view_.ShowMessage(Ansi("ユーザー一覧の取得に失敗しました。"), kMbOk | kMbIconStop);
        view_.End(); // nothing has been repaired; start-up gives the service back
        return;
    }
    FillAccountList();
    view_.SetWaitCursor(false);
    session.Close();
    shown_ = MendoraView::AccountList;
    UpdateOkButton();
}

bool CMendoraDlg::QueryValidAccounts(const CCabinetSession& session) {
    CSqlServerSession copy = session.Session();
    std::string text;
    long rows = 0;
    if (copy.ExecuteQuery(kValidAccountQuery, text, rows) != Outcome::Done) {
        ShowError(Ansi("アカウント一覧の取得に失敗しました。"));
        return false;
    }
    accounts_.clear();
    if (rows <= 0)
        return true;
    for (const Row& row : ReadRows(text)) {
        if (accounts_.size() == static_cast<std::size_t>(rows))
            break;
        accounts_.push_back({Column(row, 0), Column(row, 1), Column(row, 2)});
    }
    return true;
}

void CMendoraDlg::FillAccountList() {
    ShowAccountList();
    view_.ClearList(IDC_ACCOUNT_LIST);
    for (std::size_t j = 0; j < accounts_.size(); ++j)
        view_.AddItem(IDC_ACCOUNT_LIST,
                      {accounts_[j].sn, accounts_[j].accountName, accounts_[j].domainName}, -1,
                      static_cast<int>(j));
}

void CMendoraDlg::RepairCabinet() {
    const bool users = invalidUsers_.InvalidUserCount > 0;
    Account replacement;
    if (users) {
        const std::vector<int> selected = view_.SelectedItems(IDC_ACCOUNT_LIST);
        if (selected.empty() || selected[0] < 0 ||
            static_cast<std::size_t>(selected[0]) >= accounts_.size())
            return;
        replacement = accounts_[static_cast<std::size_t>(selected[0])];
    }
    ShowReportView();
    std::unique_ptr<CCabinetSession> session;
    if (users)
        session = std::make_unique<CCabinetSession>(OpenCabinetSession(current_));
    view_.Enable(kButton1, false);
    view_.Enable(kButton2, false);
    // Messages are pumped while the run works: button 3 must not lead away from it.
    view_.Show(IDC_BACK_TO_LIST, false);
    RefineUserOrGroup(session.get(), current_, replacement); // a failure has told its own

    shown_ = MendoraView::RepairResult;
    AppendReport(kReportSeparator);
    view_.ScrollToEnd(IDC_REPORT);
    if (users) {
        Log().Result(LogStatus::Success, FormatText(LoadText(IDS_REFINE_FINISHED), {currentName_}));
        session->Close();
    }
    view_.Show(kButton1, false);
    view_.SetText(kButton2, LoadText(IDS_CLOSE));
    view_.Enable(kButton2, true);
    view_.Show(IDC_BACK_TO_LIST, true);
    view_.PlaceLeftOf(IDC_BACK_TO_LIST, kButton2);
}

void CMendoraDlg::ShowReportView() {
    view_.Show(IDC_CABINET_LIST, false);
    view_.Show(IDC_ACCOUNT_LIST, false);
    view_.Show(IDC_REPORT, true);
    view_.Focus(IDC_REPORT);
    RefreshDialog();
}

void CMendoraDlg::ShowCabinetList() {
    view_.Show(IDC_CABINET_LIST, true);
    view_.ClearSelection(IDC_CABINET_LIST);
    view_.Show(IDC_REPORT, false);
    view_.Show(IDC_ACCOUNT_LIST, false);
    view_.SetText(kButton1, "OK");
    view_.Show(kButton1, true);
    view_.SetText(kButton2, Ansi("キャンセル"));
    view_.Show(IDC_BACK_TO_LIST, false);
    shown_ = MendoraView::CabinetList;
    UpdateOkButton();
}

void CMendoraDlg::ShowAccountList() {
    view_.Show(IDC_CABINET_LIST, false);
    view_.Show(IDC_REPORT, false);
    view_.Show(IDC_ACCOUNT_LIST, true);
    view_.SetText(kButton1, "OK");
    view_.SetText(kButton2, Ansi("キャンセル"));
    view_.Show(IDC_BACK_TO_LIST, false);
}
