// Scrutel's main dialog without its window: what the cabinet list shows, which buttons are
// live, and the check run over the selected cabinets with its report, progress and log.
// The Win32 dialog (ScrutelDlg) only forwards events here and shows what it is told, so
// the whole flow runs in tests with a fake view.
#pragma once

#include "CabinetCatalogue.h"
#include "CheckHost.h"
#include "Progress.h"
#include "SqlServerSession.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class IScrutelView {
public:
    virtual ~IScrutelView() = default;
    virtual void ClearList() = 0;
    // One row of list 1000: the cabinet's name, image (1 running, 0 stopped), the state
    // column and the record index kept as the item's data.
    virtual void AddListItem(const std::string& name, int image, const std::string& state,
                             int data) = 0;
    // The data of the selected items, from the top of the list down.
    virtual std::vector<int> SelectedItems() const = 0;
    virtual void EnableOk(bool enabled) = 0;
    // Hides OK and the list, shows the report edit, button 2 reads "閉じる" and is disabled.
    virtual void ShowReportView() = 0;
    virtual void ShowReport(const std::string& report) = 0;
    // The system menu's Close command and button 2.
    virtual void EnableClose(bool enabled) = 0;
    virtual void SetWaitCursor(bool wait) = 0;
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    virtual void PumpMessages() = 0;
    virtual std::unique_ptr<IProgressWindow> CreateProgressWindow() = 0;
};

class CScrutelRun : public ICheckHost {
public:
    using SessionFactory = std::function<CSqlServerSession(const CabinetRecord&)>;
    using DocTypeQuery = std::function<std::uint32_t(const std::string&, std::string&)>;

    CScrutelRun(IScrutelView& view, CServerInventory& inventory,
                std::function<std::string(int)> loadText, SessionFactory makeSession,
                DocTypeQuery docTypeQuery);

    // Dialog initialisation from the cabinet list on: loads the cabinets and fills the list.
    void Initialise();
    void FillCabinetList();
    void UpdateOkButton();
    void RunCheck();

    const std::string& Report() const { return report_; }
    const std::string& CurrentCabinetName() const { return currentName_; }

    // ICheckHost
    ToolVariant Variant() const override { return ToolVariant::Scrutel; }
    std::string LoadText(int id) const override { return loadText_(id); }
    void AppendReport(const std::string& text) override;
    void RefreshDialog() override { view_.ShowReport(report_); }
    void ShowError(const std::string& message) override;
    void PumpMessages() override { view_.PumpMessages(); }
    void SetWaitCursor() override { view_.SetWaitCursor(true); }
    void RefreshProgress() override {}
    MendoraCheckState* MendoraState() override { return nullptr; }
    std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) override {
        return docTypeQuery_(statement, output);
    }

private:
    bool CheckCabinet(const CabinetRecord& record, IProgressWindow& progress, int& position);
    void EndRun(IProgressWindow& progress);

    IScrutelView& view_;
    CServerInventory& inventory_;
    std::function<std::string(int)> loadText_;
    SessionFactory makeSession_;
    DocTypeQuery docTypeQuery_;
    std::string report_;
    std::string currentName_;
};
