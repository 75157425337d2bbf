// Mendora's start: one copy at a time, the administrator's consent, the storage service
// stopped for the run and given back at the end (see runtime/Application.h), and the main
// dialog that checks and repairs one cabinet at a time.
#include "MendoraDlg.h"
#include "MendoraProfile.h"

#include "DllSearch.h"
#include "ToolMain.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    return RunTool(kMendoraProfile, SystemServices(kMendoraProfile), MakeDialog<CMendoraDlg>);
}
