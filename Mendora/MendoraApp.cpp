// Mendora's start: one copy at a time, the administrator's consent, the storage service
// stopped for the run and given back at the end (see runtime/Application.h).
#include "MendoraRes.h"

#include "ApplicationShell.h"
#include "LogFile.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetLogFileName("Mendora.log");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CApplicationShell shell(kMendoraIdentity,
                            [](CServerInventory&) { RunSimpleDialog(IDD_MENDORA_DIALOG); });
    return RunApplication(kMendoraIdentity, shell, SystemServiceManager());
}
