#include "ToolMain.h"

#include "Application.h"
#include "ApplicationShell.h"
#include "DialogWindow.h"
#include "InstallSettings.h"
#include "LogFile.h"
#include "SqliQuery.h"

#include <commctrl.h>

namespace {

DialogServices SystemDialogServices() {
    return {LoadResourceText,
            [](const CabinetRecord& record) {
                return CSqlServerSession(record.databaseHost, record.databaseUser,
                                         record.databasePassword);
            },
            [](const std::string& statement, std::string& output) {
                return RunSqliQuery(kServerTypeStorage, statement, output);
            },
            SleepMilliseconds, FileLog()};
}

} // namespace

int RunTool(const ToolProfile& profile, const ToolDialogFactory& makeDialog) {
    SetLogFileName(profile.logFileName);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CApplicationShell shell(profile, [&](CServerInventory& inventory) {
        CDialogWindow window(profile, [&](IDialogView& view) {
            return makeDialog(view, inventory, SystemDialogServices());
        });
        window.Run();
    });
    return RunApplication(profile, shell, SystemServiceManager());
}
