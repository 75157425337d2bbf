#include "Application.h"

#include "Text.h"

int RunApplication(const ToolProfile& tool, IApplicationShell& shell, IServiceManager& services,
                   const CatalogueSources& sources, const SleepFn& sleep) {
    if (!shell.AcquireInstanceMutex(tool.mutexName))
        return 0; // another copy runs: end silently

    CServerInventory inventory(sources, [&shell](int id) { return shell.LoadText(id); });
    if (inventory.ServerTypeBits() == 0) {
        shell.ShowMessage(shell.LoadText(tool.idsNotInstalled), kMbOk | kMbIconExclamation);
        return 1;
    }
    if (shell.ShowMessage(shell.LoadText(tool.idsStopQuestion), kMbYesNo | kMbIconQuestion) !=
        kIdYes)
        return 1;
    if (StopServicesForRun(services, *sources.registry, sleep) == 0) {
        shell.ShowMessage(Ansi("サービスの無効化に失敗しました。"), kMbOk | kMbIconExclamation);
        return 1;
    }

    shell.RunMainDialog(inventory);

    // While the other tool still runs it may be in the middle of a check or a repair: the
    // service stays stopped and disabled, and the tool that ends last gives it back.
    if (!shell.InstanceMutexExists(tool.otherMutexName))
        RestoreServices(services);
    return 0;
}
