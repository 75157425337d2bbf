// The Windows side of start-up: the instance mutex, the program's string table, message
// boxes with the tool's title, and the main dialog.
#pragma once

#include "Application.h"
#include "Win32Handles.h"

#include <functional>
#include <string>

// Every message box of the tool goes through here and carries the tool's title.
int ToolMessageBox(HWND owner, const std::string& text, unsigned type);

// A text of the program's string table (ANSI).
std::string LoadResourceText(int id);

class CApplicationShell : public IApplicationShell {
public:
    using MainDialog = std::function<void(CServerInventory&, const SessionEndFn&)>;
    CApplicationShell(const ToolProfile& tool, MainDialog mainDialog);
    ~CApplicationShell() override; // releases the instance mutex; the owners close the rest
    CApplicationShell(const CApplicationShell&) = delete;
    CApplicationShell& operator=(const CApplicationShell&) = delete;

    InstanceMutex AcquireInstanceMutex(const std::string& name) override;
    std::string LoadText(int id) override { return LoadResourceText(id); }
    int ShowMessage(const std::string& text, unsigned type) override;
    void RunMainDialog(CServerInventory& inventory, const SessionEndFn& sessionEnded) override {
        mainDialog_(inventory, sessionEnded);
    }

private:
    MainDialog mainDialog_;
    CKernelHandle mutex_;
};
