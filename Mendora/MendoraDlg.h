// Mendora's main dialog without its window. It works on one cabinet at a time and leads the
// administrator through the views of one dialog, one per press of button 1: the cabinet
// list, the check result, the account that inherits the invalid users' records (skipped
// when only document types are wrong), the repair result, and back to the cabinet list by
// button 3. The window is the shared passive one (dialog/win32/DialogWindow), so the whole
// flow runs in tests with a fake view.
#pragma once

#include "MainDialog.h"
#include "UserRecordCheck.h"
#include "UserRepair.h"

#include <string>
#include <vector>

// The valid accounts of a cabinet, by SN; sent unformatted, so both percent signs reach
// the server.
extern const char kValidAccountQuery[];

enum class MendoraView { CabinetList, CheckResult, AccountList, RepairResult };

class CMendoraDlg : public CMainDialog {
public:
    CMendoraDlg(IDialogView& view, CServerInventory& inventory, DialogServices services);

    void Initialise() override;
    void Ok() override;
    void Command(int button) override;
    void UpdateOkButton() override;

    MendoraView Shown() const { return shown_; }
    const UserCheckResult& InvalidUsers() const { return invalidUsers_; }
    int DocTypeFindingCount() const { return docTypeFindingCount_; }
    const std::vector<Account>& Accounts() const { return accounts_; }
    const RepairCounters& Counters() const { return counters_; }
    int CorrectedDocTypeCount() const { return correctedDocTypeCount_; }

    // The repair run on the cabinet last checked: in one transaction on session (null when
    // there are no invalid users), the invalid users deleted and their records handed to
    // replacement, then the document types repaired. 0 when it reached its end, 1 when it
    // stopped at a failure (shown, logged and, inside the transaction, rolled back).
    Outcome RefineUserOrGroup(CCabinetSession* session, const CabinetRecord& record,
                              const Account& replacement);

private:
    // The first press on the cabinet list: whether the servers of the installation allow
    // the run.
    bool ConfirmServers();
    // The cabinet list's press: the check phase on the selected cabinet, ending in the
    // check result view.
    void CheckSelectedCabinet();
    Outcome CheckCabinet(const CCabinetSession& session, const CabinetRecord& record);
    // The check result's press when users are to be repaired: the valid accounts of the
    // cabinet, for the administrator's choice.
    void ShowValidAccounts();
    bool QueryValidAccounts(const CCabinetSession& session);
    void FillAccountList();
    // The account list's press (or the check result's when only document types are wrong):
    // the repair run and its result view.
    void RepairCabinet();
    bool RepairUsers(CSqlServerSession session, const Account& replacement, int& step);
    void RollBack(CSqlServerSession session);
    Outcome RepairDocTypes(int& step);

    void ShowReportView();
    void ShowCabinetList();
    void ShowAccountList();

    MendoraView shown_ = MendoraView::CabinetList;
    bool serversConfirmed_ = false; // asked at the first press on the cabinet list
    CabinetRecord current_{};
    UserCheckResult invalidUsers_;
    int docTypeFindingCount_ = 0;
    std::vector<Account> accounts_;
    RepairCounters counters_;
    int correctedDocTypeCount_ = 0;
};
