#include "ToolMain.h"

#include "Application.h"
#include "ApplicationShell.h"
#include "DialogWindow.h"
#include "EventSource.h"
#include "HelperLibrary.h"
#include "InstallSettings.h"
#include "LogFile.h"
#include "SqliQuery.h"
#include "Text.h"
#include "ToolKey.h"

#include <commctrl.h>

namespace {

// The undo journals' folder: the tools' key's UndoJournalFolder, or UndoJournals beside the
// program, which is kept where only administrators write.
std::unique_ptr<IAdminFolder> SystemJournalFolder(std::string& why) {
    if (const std::optional<std::string> configured = SystemToolKey().ReadText("UndoJournalFolder"))
        return OpenAdminFolder(*configured, why);
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    std::string path;
    AppendAnsiFromUtf16(path, reinterpret_cast<const char16_t*>(program.c_str()), program.size());
    return OpenAdminFolder(path.substr(0, path.find_last_of('\\') + 1) + "UndoJournals", why);
}

RunServices SystemRunServices() {
    return {LoadResourceText,
            [](const CabinetRecord& record) {
                return CSqlServerSession(record.databaseHost, record.encodedUser,
                                         record.encodedPassword, SystemHelperLibrary(),
                                         SystemServiceManager(), CreateOdbcConnection, FileLog());
            },
            [](const std::string& statement, std::string& output) {
                return RunSqliQuery(kServerTypeStorage, statement, output, SystemRegistry(),
                                    FileLog());
            },
            SleepMilliseconds,
            [] { PumpMessages(); },
            SystemJournalFolder,
            &SystemToolKey()};
}

CServiceHandOver& SystemHandOver(IEventLog& events) {
    static CServiceHandOver handOver(SystemServiceManager(), SystemToolKey(),
                                     SystemHandOverSystem(), FileLog(), SleepMilliseconds, events);
    return handOver;
}

// The tool's source in the Application log, registered at every start so that a moved
// program is found again; without it the tool works on and its log says so.
IEventLog& StartEventLog(const ToolProfile& profile) {
    if (!RegisterProgramEventSource(profile.eventSource))
        FileLog().Result(LogStatus::Failure, Ansi("イベントログにイベントソースを登録できません。"),
                         profile.eventSource);
    static CWindowsEventLog events(profile.eventSource);
    return events;
}

// A top-level window nobody sees: the end of the user's session reaches every top-level
// window, and a run without a dialog must hear it too.
class CSessionWatch {
public:
    explicit CSessionWatch(SessionEndFn sessionEnded) : sessionEnded_(std::move(sessionEnded)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VelmoraSessionWatch";
        RegisterClassA(&windowClass);
        window_.Reset(CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPED, 0, 0, 0, 0,
                                      nullptr, nullptr, windowClass.hInstance, this));
    }
    CSessionWatch(const CSessionWatch&) = delete;
    CSessionWatch& operator=(const CSessionWatch&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        const auto* self =
            reinterpret_cast<CSessionWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        LRESULT result = 0;
        if (self != nullptr &&
            HandleSessionEnd(message, wParam, false, self->sessionEnded_, result))
            return result;
        return DefWindowProcA(window, message, wParam, lParam);
    }

    SessionEndFn sessionEnded_;
    CWindow window_;
};

} // namespace

ToolServices SystemServices(const ToolProfile& profile) {
    SetLogFileName(profile.logFileName);
    IEventLog& events = StartEventLog(profile);
    std::string missing;
    SystemHelperLibrary(&missing);
    return {{SystemRunServices(), FileLog(), events},
            SystemCatalogueSources(),
            missing,
            SystemHandOver(events)};
}

int RunTool(const ToolProfile& profile, const ToolServices& services,
            const ToolDialogFactory& makeDialog) {
    SetLogRefusalHandler([](const std::string& text) {
        ToolMessageBox(GetActiveWindow(), text, MB_OK | MB_ICONEXCLAMATION);
    });
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CApplicationShell shell(
        profile, [&](CServerInventory& inventory, const SessionEndFn& sessionEnded) {
            CDialogWindow window(
                profile,
                [&](IDialogView& view) { return makeDialog(view, inventory, services.dialog); },
                sessionEnded);
            window.Run();
        });
    // Without the server's helper library the tool cannot read a cabinet's login: it ends
    // before it touches anything, as a program bound to the library by import would.
    if (!services.missingLibrary.empty()) {
        services.dialog.events.Report(RunRefusedEvent(services.missingLibrary));
        shell.ShowMessage(services.missingLibrary, kMbOk | kMbIconStop);
        return 1;
    }
    return RunApplication(profile, shell, services.handOver, services.catalogue,
                          services.dialog.events);
}

int RunWithoutWindow(const ToolProfile& profile, const ToolServices& services,
                     const WindowlessRun& run) {
    CApplicationShell shell(profile, [](CServerInventory&, const SessionEndFn&) {});
    const CSessionWatch watch(EndRunAtSessionEnd(services.handOver));
    return run(shell);
}
