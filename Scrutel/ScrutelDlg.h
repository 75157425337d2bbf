// Scrutel's main dialog without its window: the cabinet list, which buttons are live, and
// the check run (run/CheckRun.h) over the selected cabinets, which the dialog follows with
// its report, progress window and message boxes while the log keeps its lines. The window
// is the shared passive one (dialog/win32/DialogWindow), so the whole flow runs in tests
// with a fake view.
#pragma once

#include "CheckRun.h"
#include "MainDialog.h"

class CScrutelDlg : public CMainDialog {
public:
    CScrutelDlg(IDialogView& view, CServerInventory& inventory, DialogServices services);

    // The check run, and an event saying how it ended.
    void Ok() override;
    void UpdateOkButton() override;

    void CheckCounted(long count) override { findings_ += count; }

private:
    void ShowReportView();
    void EndRun();

    long findings_ = 0; // the sum of the report's counts
};
