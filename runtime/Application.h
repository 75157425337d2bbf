// Start-up and shut-down of both tools: one running copy per tool, refusal where the server
// is not installed, the storage service recovered from a tool that ended without giving it
// back, the administrator's consent, the service taken for the run, the main dialog, and
// the service given back at the end (see ServiceHandOver.h for how tools share it).
//
// The platform side (instance mutex, string table, message boxes, the main dialog) is the
// IApplicationShell, so that the whole sequence runs in tests with a fake.
#pragma once

#include "CabinetCatalogue.h"
#include "ServiceHandOver.h"
#include "ToolProfile.h"

#include <functional>
#include <string>

// Message box types and answers (the values of the Windows API).
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconStop = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr int kIdYes = 6;

enum class InstanceMutex {
    Acquired,
    AnotherCopy, // another copy of the tool holds it
    Untrusted,   // an object someone else created holds the name
};

// What a main dialog's window calls when the user's session ends under it, before the
// process is ended: EndRunAtSessionEnd.
using SessionEndFn = std::function<void()>;
// The run's SQL sessions end (the server rolls back a transaction they leave open), then
// the service is given back.
SessionEndFn EndRunAtSessionEnd(CServiceHandOver& handOver);
// The exit code of a process ended by the end of the user's session.
constexpr int kExitSessionEnded = 2;

class IApplicationShell {
public:
    virtual ~IApplicationShell() = default;
    // Creates the tool's named mutex, which only administrators can create or hold.
    virtual InstanceMutex AcquireInstanceMutex(const std::string& name) = 0;
    virtual std::string LoadText(int id) = 0;
    // A message box with the tool's title; the button pressed.
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    virtual void RunMainDialog(CServerInventory& inventory, const SessionEndFn& sessionEnded) = 0;
    // Whether the run may stop the storage service: the administrator is asked. A run
    // without a window decides otherwise, from what it was told to check.
    virtual bool ConsentToStop(const ToolProfile& tool, CServerInventory& /*inventory*/) {
        return ShowMessage(LoadText(tool.idsStopQuestion), kMbYesNo | kMbIconQuestion) == kIdYes;
    }
    // Whether the run may work while another tool holds the service; one that may not is
    // refused then.
    virtual bool SharesService() const { return true; }
};

// The whole life of the program; returns its exit code: 0 after the main dialog or for a
// second copy, 1 when start-up refused to run. An answer No leaves the service as it was
// (once recovered). Each refusal is also an event.
int RunApplication(const ToolProfile& tool, IApplicationShell& shell, CServiceHandOver& handOver,
                   const CatalogueSources& sources, IEventLog& events);
