#include "Application.h"

#include "SqlServerSession.h"
#include "Text.h"

SessionEndFn EndRunAtSessionEnd(CServiceHandOver& handOver) {
    return [&handOver] {
        EndOpenSqlSessions();
        handOver.GiveBack();
    };
}

int RunApplication(const ToolProfile& tool, IApplicationShell& shell, CServiceHandOver& handOver,
                   const CatalogueSources& sources, IEventLog& events) {
    const auto refuse = [&shell, &events](const std::string& text) {
        events.Report(RunRefusedEvent(text));
        shell.ShowMessage(text, kMbOk | kMbIconExclamation);
        return 1;
    };
    switch (shell.AcquireInstanceMutex(tool.mutexName)) {
    case InstanceMutex::Acquired:
        break;
    case InstanceMutex::AnotherCopy:
        return 0; // end silently
    case InstanceMutex::Untrusted:
        return refuse(Ansi("ほかのユーザーが作成した同じ名前のオブジェクト (") + tool.mutexName +
                      Ansi(") があるため、起動できません。"));
    }

    CServerInventory inventory(sources, [&shell](int id) { return shell.LoadText(id); });
    if (inventory.ServerTypeBits() == 0)
        return refuse(shell.LoadText(tool.idsNotInstalled));
    if (handOver.Recover() != CServiceHandOver::Result::Done)
        return refuse(handOver.Refusal());
    if (!shell.ConsentToStop(tool, inventory))
        return 1;
    if (handOver.Take(!shell.SharesService()) != CServiceHandOver::Result::Done)
        return refuse(handOver.Refusal());
    shell.RunMainDialog(inventory, EndRunAtSessionEnd(handOver));
    handOver.GiveBack();
    return 0;
}
