// Scrutel's start: one copy at a time, the administrator's consent, the storage service
// stopped for the run and given back at the end (see runtime/Application.h).
#include "ScrutelDlg.h"

#include "ApplicationShell.h"
#include "LogFile.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetLogFileName("Scrutel.log");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CApplicationShell shell(kScrutelIdentity, RunScrutelDialog);
    return RunApplication(kScrutelIdentity, shell, SystemServiceManager());
}
