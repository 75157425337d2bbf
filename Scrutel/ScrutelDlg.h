// Scrutel's main dialog without its window: the cabinet list, which buttons are live, and
// the check run over the selected cabinets with its report, progress and log. The window
// is the shared passive one (dialog/win32/DialogWindow), so the whole flow runs in tests
// with a fake view.
#pragma once

#include "MainDialog.h"

// The checks of each cabinet; the document types are checked once a run.
constexpr int kChecksPerCabinet = 6;

// What a run without a window records beside the report: where the run is, how each check
// ended and the count of each section of the report.
class ICheckRunObserver {
public:
    virtual ~ICheckRunObserver() = default;
    virtual void CabinetBegun(const CabinetRecord& record) = 0;
    virtual void DocumentTypesBegun() = 0;
    // A section of the running check, with its count.
    virtual void SectionCounted(long count) = 0;
    // A check has ended; the checks of a cabinet end in the order of the report.
    virtual void CheckEnded(const char* check, Outcome outcome) = 0;
};

class CScrutelDlg : public CMainDialog {
public:
    CScrutelDlg(IDialogView& view, CServerInventory& inventory, DialogServices services,
                ICheckRunObserver* observer = nullptr);

    // The check run, and an event saying how it ended.
    void Ok() override;
    void UpdateOkButton() override;
    // Every check on each selected cabinet in list order, then the document types once;
    // Done when all of them completed.
    Outcome RunCheck();

    void SectionCounted(int headerId, long count) override;

private:
    void ShowReportView();
    Outcome CheckCabinet(const CabinetRecord& record, int& position);
    void EndRun();

    ICheckRunObserver* observer_;
    std::vector<std::string> checked_; // the names of the run's cabinets
    long findings_ = 0;                // the sum of the report's counts
};
