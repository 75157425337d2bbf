#include "MendoraDlg.h"

#include "Application.h"
#include "CheckRun.h"
#include "Findings.h"
#include "MendoraProfile.h"
#include "MendoraRes.h"
#include "StringIds.h"
#include "Text.h"

CMendoraDlg::CMendoraDlg(IDialogView& view, CServerInventory& inventory, DialogServices services)
    : CMainDialog(kMendoraLogTexts, view, inventory, std::move(services)) {}

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
        enabled = checked_.users.InvalidUserCount > 0 || checked_.docTypeFindings != 0;
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
        if (checked_.users.InvalidUserCount == 0 && checked_.docTypeFindings > 0)
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
    checked_ = CabinetCheckResult();
    SetReport("");
    BeginRun();
    // A failure has told its own; the result view follows. What the check found is kept
    // only up to where it ran: a repair must never rest on a check that stopped half-way.
    checked_ = CheckForRepair(current_, Services(), Subscribers());
    EndRun();
    AppendReport("\r\n");
    view_.ScrollToEnd(IDC_REPORT);

    const bool found = checked_.users.InvalidUserCount > 0 || checked_.docTypeFindings > 0;
    view_.SetText(kButton1, LoadText(IDS_REFINE));
    view_.SetText(kButton2, LoadText(IDS_FINISH));
    view_.Show(IDC_BACK_TO_LIST, true);
    view_.PlaceLeftOf(IDC_BACK_TO_LIST, kButton1);
    view_.Enable(kButton1, found);
    view_.Enable(kButton2, true);
    shown_ = MendoraView::CheckResult;
}

void CMendoraDlg::BeginRun() {
    view_.Enable(kButton1, false);
    view_.Enable(kButton2, false);
    view_.EnableCloseCommand(false);
}

void CMendoraDlg::EndRun() {
    HideProgress();
    view_.Repaint();
    view_.EnableCloseCommand(true);
}

void CMendoraDlg::TransactionOpened() {
    view_.BlockSessionEnd(Ansi("データ補正ツールがキャビネットを補正しています。補正が終わる"
                               "までお待ちください。"));
}

void CMendoraDlg::ShowValidAccounts() {
    if (ListValidAccounts(current_, Services(), Subscribers(), accounts_) != Outcome::Done) {
        view_.ShowMessage(Ansi("ユーザー一覧の取得に失敗しました。"), kMbOk | kMbIconStop);
        view_.End(); // nothing has been repaired; start-up gives the service back
        return;
    }
    FillAccountList();
    view_.SetWaitCursor(false);
    shown_ = MendoraView::AccountList;
    UpdateOkButton();
}

// Filled while hidden: a list view that is shown repaints and rescrolls at every item it
// is given, which for thousands of accounts costs seconds while the service is down.
void CMendoraDlg::FillAccountList() {
    view_.ClearList(IDC_ACCOUNT_LIST);
    for (std::size_t j = 0; j < accounts_.size(); ++j)
        view_.AddItem(IDC_ACCOUNT_LIST,
                      {accounts_[j].sn, accounts_[j].accountName, accounts_[j].domainName}, -1,
                      static_cast<int>(j));
    ShowAccountList();
}

void CMendoraDlg::RepairCabinet() {
    Account replacement;
    if (checked_.users.InvalidUserCount > 0) {
        const std::vector<int> selected = view_.SelectedItems(IDC_ACCOUNT_LIST);
        if (selected.empty() || selected[0] < 0 ||
            static_cast<std::size_t>(selected[0]) >= accounts_.size())
            return;
        replacement = accounts_[static_cast<std::size_t>(selected[0])];
    }
    ShowReportView();
    BeginRun();
    // Messages are pumped while the run works: button 3 must not lead away from it.
    view_.Show(IDC_BACK_TO_LIST, false);
    repaired_ = RunRepair(current_, checked_, replacement, Services(), Subscribers());
    EndRun();
    const std::string name = current_.displayName;
    switch (repaired_.users) {
    case UserRepairOutcome::NotRun:
        break;
    case UserRepairOutcome::Committed:
        services_.events.Report(RepairCommittedEvent(name, repaired_.counters.CorrectedRowCount,
                                                     repaired_.counters.DeletedRowCount,
                                                     repaired_.journal));
        break;
    case UserRepairOutcome::RolledBack:
        services_.events.Report(RepairRolledBackEvent(name, repaired_.reason));
        break;
    case UserRepairOutcome::Unknown:
        services_.events.Report(RepairOutcomeUnknownEvent(name, repaired_.reason));
        break;
    }

    shown_ = MendoraView::RepairResult;
    view_.ScrollToEnd(IDC_REPORT);
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
