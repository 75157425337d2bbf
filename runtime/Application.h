// Start-up and shut-down of both tools: one running copy per tool, refusal where the server
// is not installed, the administrator's consent, the storage service stopped for the run,
// the main dialog, and the service given back at the end.
//
// Both tools, and copies of them in other logon sessions, may run side by side. Each holds
// a claim on the storage service from just before it stops the service for its run until
// it ends; a tool waiting at its question holds none. At its end a tool withdraws its own
// claim first and then looks for another: the last claim to go gives the service back, and
// two tools ending together cannot both leave it down.
//
// The platform side (instance mutex, service claim, string table, message boxes, the main
// dialog) is the IApplicationShell, so that the whole sequence runs in tests with a fake.
#pragma once

#include "CabinetCatalogue.h"
#include "ServiceManager.h"
#include "ToolProfile.h"

#include <string>

// Message box types and answers (the values of the Windows API).
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconStop = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr int kIdYes = 6;

class IApplicationShell {
public:
    virtual ~IApplicationShell() = default;
    // Creates the tool's named mutex; false when another copy already holds it.
    virtual bool AcquireInstanceMutex(const std::string& name) = 0;
    // The claim on the storage service, seen from every logon session of the machine.
    virtual void TakeServiceClaim() = 0;
    virtual void DropServiceClaim() = 0;
    // Whether any tool, this one included, holds a claim.
    virtual bool ServiceClaimed() = 0;
    virtual std::string LoadText(int id) = 0;
    // A message box with the tool's title; the button pressed.
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    virtual void RunMainDialog(CServerInventory& inventory) = 0;
    // Whether the run may stop the storage service: the administrator is asked. A run
    // without a window decides otherwise, from what it was told to check.
    virtual bool ConsentToStop(const ToolProfile& tool, CServerInventory& /*inventory*/) {
        return ShowMessage(LoadText(tool.idsStopQuestion), kMbYesNo | kMbIconQuestion) == kIdYes;
    }
};

// The whole life of the program; returns its exit code: 0 after the main dialog or for a
// second copy, 1 when start-up refused to run. An answer No leaves the service untouched.
int RunApplication(const ToolProfile& tool, IApplicationShell& shell, IServiceManager& services,
                   const CatalogueSources& sources = SystemCatalogueSources(),
                   const SleepFn& sleep = SleepMilliseconds);
