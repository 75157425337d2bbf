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
    if (!shell.ConsentToStop(tool, inventory))
        return 1;
    // The claim comes before the stop: a tool that ends meanwhile must not give the service
    // back under this run.
    shell.TakeServiceClaim();
    const auto handOver = [&] {
        shell.DropServiceClaim();
        if (!shell.ServiceClaimed())
            RestoreServices(services); // leaves a service it did not stop and disable alone
    };
    if (StopServicesForRun(services, *sources.registry, sleep) != Outcome::Done) {
        shell.ShowMessage(Ansi("サービスの無効化に失敗しました。"), kMbOk | kMbIconExclamation);
        handOver();
        return 1;
    }
    shell.RunMainDialog(inventory);
    handOver();
    return 0;
}
