// The whole program of either tool, for its WinMain: the system's services built once (the
// log file, the tool's event source, the hand-over of the storage service, ...), the common
// controls, start-up with the tool's main dialog over those services, and the exit code.
#pragma once

#include "Application.h"
#include "MainDialog.h"
#include "ToolServices.h"

#include <functional>
#include <memory>

using ToolDialogFactory = std::function<std::unique_ptr<CMainDialog>(
    IDialogView& view, CServerInventory& inventory, DialogServices services)>;

// The system's services of the tool; its log file and event source are set up here, so the
// program builds them once, first.
ToolServices SystemServices(const ToolProfile& profile);

int RunTool(const ToolProfile& profile, const ToolServices& services,
            const ToolDialogFactory& makeDialog);

// A run of the tool without any window: the system's start-up side (mutex, string table)
// for run, whose result is the exit code. A hidden window hears the end of the user's
// session meanwhile, which ends the run as it ends a dialog's.
using WindowlessRun = std::function<int(IApplicationShell& shell)>;
int RunWithoutWindow(const ToolProfile& profile, const ToolServices& services,
                     const WindowlessRun& run);

template <class Dialog>
std::unique_ptr<CMainDialog> MakeDialog(IDialogView& view, CServerInventory& inventory,
                                        DialogServices services) {
    return std::make_unique<Dialog>(view, inventory, std::move(services));
}
