#include "ToolMain.h"

#include "Application.h"
#include "ApplicationShell.h"
#include "DialogWindow.h"
#include "HelperLibrary.h"
#include "InstallSettings.h"
#include "LogFile.h"
#include "SqliQuery.h"

#include <commctrl.h>

namespace {

DialogServices SystemDialogServices() {
    return {LoadResourceText,
            [](const CabinetRecord& record) {
                return CSqlServerSession(record.databaseHost, record.encodedUser,
                                         record.encodedPassword, SystemHelperLibrary());
            },
            [](const std::string& statement, std::string& output) {
                return RunSqliQuery(kServerTypeStorage, statement, output);
            },
            SleepMilliseconds, FileLog()};
}

} // namespace

int RunTool(const ToolProfile& profile, const ToolDialogFactory& makeDialog) {
    SetLogFileName(profile.logFileName);
    SetLogRefusalHandler([](const std::string& text) {
        ToolMessageBox(GetActiveWindow(), text, MB_OK | MB_ICONEXCLAMATION);
    });
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CApplicationShell shell(profile, [&](CServerInventory& inventory) {
        CDialogWindow window(profile, [&](IDialogView& view) {
            return makeDialog(view, inventory, SystemDialogServices());
        });
        window.Run();
    });
    // Without the server's helper library the tool cannot read a cabinet's login: it ends
    // before it touches anything, as a program bound to the library by import would.
    std::string missing;
    if (SystemHelperLibrary(&missing) == nullptr) {
        shell.ShowMessage(missing, kMbOk | kMbIconStop);
        return 1;
    }
    return RunApplication(profile, shell, SystemServiceManager());
}

int RunWithoutWindow(const ToolProfile& profile, const WindowlessRun& run) {
    SetLogFileName(profile.logFileName);
    CApplicationShell shell(profile, [](CServerInventory&) {});
    return run(shell, SystemServiceManager(), SystemDialogServices());
}
