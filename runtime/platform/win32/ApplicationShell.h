// The Windows side of start-up: the instance mutex, the claim on the storage service, the
// program's string table, message boxes with the tool's title, and the main dialog.
#pragma once

#include "Application.h"
#include "Win32Handles.h"

#include <functional>
#include <string>

// Every message box of the tool goes through here and carries the tool's title.
int ToolMessageBox(HWND owner, const std::string& text, unsigned type);

// A text of the program's string table (ANSI).
std::string LoadResourceText(int id);

// The name of the storage service claim: an unowned mutex, which exists while any tool holds
// a handle to it, in the namespace every logon session of the machine sees.
extern const char kServiceClaimName[];

class CApplicationShell : public IApplicationShell {
public:
    using MainDialog = std::function<void(CServerInventory&)>;
    CApplicationShell(const ToolProfile& tool, MainDialog mainDialog);
    ~CApplicationShell() override; // releases the instance mutex; the owners close the rest
    CApplicationShell(const CApplicationShell&) = delete;
    CApplicationShell& operator=(const CApplicationShell&) = delete;

    bool AcquireInstanceMutex(const std::string& name) override;
    void TakeServiceClaim() override;
    void DropServiceClaim() override;
    bool ServiceClaimed() override;
    std::string LoadText(int id) override { return LoadResourceText(id); }
    int ShowMessage(const std::string& text, unsigned type) override;
    void RunMainDialog(CServerInventory& inventory) override { mainDialog_(inventory); }

private:
    MainDialog mainDialog_;
    CKernelHandle mutex_;
    CKernelHandle claim_;
};
