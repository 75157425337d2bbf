// Scrutel's main dialog without its window: the cabinet list, which buttons are live, and
// the check run over the selected cabinets with its report, progress and log. The window
// is the shared passive one (dialog/win32/DialogWindow), so the whole flow runs in tests
// with a fake view.
#pragma once

#include "MainDialog.h"

class CScrutelDlg : public CMainDialog {
public:
    CScrutelDlg(IDialogView& view, CServerInventory& inventory, DialogServices services);

    void Ok() override { RunCheck(); }
    void UpdateOkButton() override;
    // Every check on each selected cabinet in list order, then the document types once.
    void RunCheck();

private:
    void ShowReportView();
    Outcome CheckCabinet(const CabinetRecord& record, int& position);
    void EndRun();
};
