// The whole program of either tool, for its WinMain: the log file, the tool's event source,
// the common controls, start-up with the tool's main dialog over the system's services, and
// the exit code.
#pragma once

#include "Application.h"
#include "MainDialog.h"

#include <functional>
#include <memory>

using ToolDialogFactory = std::function<std::unique_ptr<CMainDialog>(
    IDialogView& view, CServerInventory& inventory, DialogServices services)>;

int RunTool(const ToolProfile& profile, const ToolDialogFactory& makeDialog);

// A run of the tool without any window: the log file, the system's start-up pieces
// (mutex, string table, the hand-over of the storage service, the dialog's services) for
// run, whose result is the exit code. A hidden window hears the end of the user's session
// meanwhile, which ends the run as it ends a dialog's.
using WindowlessRun =
    std::function<int(IApplicationShell& shell, CServiceHandOver& handOver, DialogServices)>;
int RunWithoutWindow(const ToolProfile& profile, const WindowlessRun& run);

template <class Dialog>
std::unique_ptr<CMainDialog> MakeDialog(IDialogView& view, CServerInventory& inventory,
                                        DialogServices services) {
    return std::make_unique<Dialog>(view, inventory, std::move(services));
}
