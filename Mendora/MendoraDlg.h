// Mendora's main dialog without its window. It works on one cabinet at a time and leads the
// administrator through the views of one dialog, one per press of button 1: the cabinet
// list, the check result, the account that inherits the invalid users' records (skipped
// when only document types are wrong), the repair result, and back to the cabinet list by
// button 3. The check and the repair are runs of their own (RepairRun.h); the dialog shows
// what they tell. The window is the shared passive one (dialog/win32/DialogWindow), so the
// whole flow runs in tests with a fake view.
#pragma once

#include "MainDialog.h"
#include "RepairRun.h"

#include <string>
#include <vector>

enum class MendoraView { CabinetList, CheckResult, AccountList, RepairResult };

class CMendoraDlg : public CMainDialog {
public:
    CMendoraDlg(IDialogView& view, CServerInventory& inventory, DialogServices services);

    void Initialise() override;
    void Ok() override;
    void Command(int button) override;
    void UpdateOkButton() override;

    MendoraView Shown() const { return shown_; }
    const UserCheckResult& InvalidUsers() const { return checked_.users; }
    int DocTypeFindingCount() const { return checked_.docTypeFindings; }
    const std::vector<Account>& Accounts() const { return accounts_; }
    const RepairRunResult& Repaired() const { return repaired_; }

    // While the repair's transaction is open the user's session may not end.
    void TransactionOpened() override;
    void TransactionClosed() override { view_.AllowSessionEnd(); }

private:
    // The first press on the cabinet list: whether the servers of the installation allow
    // the run.
    bool ConfirmServers();
    // The cabinet list's press: the check phase on the selected cabinet, ending in the
    // check result view.
    void CheckSelectedCabinet();
    // The check result's press when users are to be repaired: the valid accounts of the
    // cabinet, for the administrator's choice.
    void ShowValidAccounts();
    void FillAccountList();
    // The account list's press (or the check result's when only document types are wrong):
    // the repair run and its result view.
    void RepairCabinet();
    // The run's progress window and Close command, around a run.
    void BeginRun();
    void EndRun();

    void ShowReportView();
    void ShowCabinetList();
    void ShowAccountList();

    MendoraView shown_ = MendoraView::CabinetList;
    bool serversConfirmed_ = false; // asked at the first press on the cabinet list
    CabinetRecord current_{};
    CabinetCheckResult checked_; // what the last check found, when it ran to its ends
    std::vector<Account> accounts_;
    RepairRunResult repaired_;
};
