// Mendora's start: one copy at a time, the administrator's consent, the storage service
// stopped for the run and given back at the end (see runtime/Application.h), and the main
// dialog that checks and repairs one cabinet at a time; or, with /undo, a repair undone from
// its journal without a window (UndoCommand.h).
#include "MendoraDlg.h"
#include "MendoraProfile.h"
#include "UndoCommand.h"

#include "DllSearch.h"
#include "ToolMain.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
    const ToolServices services = SystemServices(kMendoraProfile);
    if (!IsUndoCommand(arguments))
        return RunTool(kMendoraProfile, services, MakeDialog<CMendoraDlg>);
    return RunWithoutWindow(kMendoraProfile, services, [&](IApplicationShell& shell) {
        return RunUndo(arguments, shell, services);
    });
}
