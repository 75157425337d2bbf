// The start-up side of a run without a window (Scrutel /check, Mendora /undo): the system's
// mutex and texts, no question (the command line is the administrator's consent), the
// storage service not shared with another tool, and every message start-up would show
// handed to the run as what refused it.
#pragma once

#include "Application.h"

#include <string>

class CWindowlessShell : public IApplicationShell {
public:
    // alreadyRunning: what refuses the run when another copy of the tool holds its mutex.
    CWindowlessShell(IApplicationShell& system, std::string alreadyRunning)
        : system_(system), alreadyRunning_(std::move(alreadyRunning)) {}

    InstanceMutex AcquireInstanceMutex(const std::string& name) override {
        const InstanceMutex mutex = system_.AcquireInstanceMutex(name);
        if (mutex == InstanceMutex::AnotherCopy)
            Refused(alreadyRunning_);
        return mutex;
    }
    std::string LoadText(int id) override { return system_.LoadText(id); }
    // Before the run only refusals are shown: not installed, the service would not stop or
    // another tool holds it (no run without a window works beside another tool).
    bool SharesService() const override { return false; }
    int ShowMessage(const std::string& text, unsigned) override {
        Refused(text);
        return 1; // OK
    }
    bool ConsentToStop(const ToolProfile&, CServerInventory&) override { return true; }

protected:
    virtual void Refused(const std::string& text) = 0;

private:
    IApplicationShell& system_;
    std::string alreadyRunning_;
};
