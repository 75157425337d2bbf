// Scrutel's start: one copy at a time, the administrator's consent, the storage service
// stopped for the run and given back at the end (see runtime/Application.h), and the main
// dialog with the check run; or, with /check, the same run without a window for the task
// scheduler (UnattendedCheck.h).
#include "CheckCommand.h"
#include "ScrutelDlg.h"
#include "ScrutelProfile.h"
#include "UnattendedCheck.h"

#include "DllSearch.h"
#include "ToolMain.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
    const ToolServices services = SystemServices(kScrutelProfile);
    if (!IsCheckCommand(arguments))
        return RunTool(kScrutelProfile, services, MakeDialog<CScrutelDlg>);
    return RunWithoutWindow(kScrutelProfile, services, [&](IApplicationShell& shell) {
        return RunUnattendedCheck(arguments, shell, services);
    });
}
