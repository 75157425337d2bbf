// The whole program of either tool, for its WinMain: the log file, the common controls,
// start-up with the tool's main dialog over the system's services, and the exit code.
#pragma once

#include "MainDialog.h"

#include <functional>
#include <memory>

using ToolDialogFactory = std::function<std::unique_ptr<CMainDialog>(
    IDialogView& view, CServerInventory& inventory, DialogServices services)>;

int RunTool(const ToolProfile& profile, const ToolDialogFactory& makeDialog);

template <class Dialog>
std::unique_ptr<CMainDialog> MakeDialog(IDialogView& view, CServerInventory& inventory,
                                        DialogServices services) {
    return std::make_unique<Dialog>(view, inventory, std::move(services));
}
