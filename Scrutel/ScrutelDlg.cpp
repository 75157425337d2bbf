#include "ScrutelDlg.h"

#include "Application.h"
#include "ScrutelProfile.h"
#include "StringIds.h"
#include "Text.h"

CScrutelDlg::CScrutelDlg(IDialogView& view, CServerInventory& inventory, DialogServices services)
    : CMainDialog(kScrutelLogTexts, view, inventory, std::move(services)) {}

void CScrutelDlg::Ok() {
    view_.SetWaitCursor(true);
    ShowReportView();
    view_.EnableCloseCommand(false);
    const std::vector<CabinetRecord> selected = SelectedCabinets();
    findings_ = 0;
    std::string product;
    if (inventory_.CountNamedCabinets(0, product) == 0) {
        view_.ShowMessage(LoadText(IDS_NO_TARGET_SERVER), kMbOk | kMbIconExclamation);
        EndRun();
        std::vector<std::string> names;
        for (const CabinetRecord& record : selected)
            names.push_back(CabinetName(record));
        services_.events.Report(CheckRunEndedEvent(names, 0, false));
        return;
    }
    const CheckRunResult result = RunCheck(selected, Services(), kScrutelChecks, Subscribers());
    if (result.outcome != Outcome::Done)
        services_.events.Report(CheckFailedEvent(result.failedAt, result.reason));
    EndRun();
    services_.events.Report(
        CheckRunEndedEvent(result.checked, findings_, result.outcome == Outcome::Done));
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
    HideProgress();
}
