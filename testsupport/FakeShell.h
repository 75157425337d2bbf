// One tool's platform side at start-up in tests: its instance mutexes (held or someone
// else's), its texts as "text <id>", the message boxes in order with a chosen answer, and
// the main dialogs it ran.
#pragma once

#include "Application.h"

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct FakeShell : IApplicationShell {
    std::set<std::string> heldMutexes;
    std::set<std::string> untrustedMutexes;
    std::vector<std::pair<std::string, unsigned>> messages;
    int answer = kIdYes;
    int dialogs = 0;
    std::function<void(const SessionEndFn&)> duringDialog = [](const SessionEndFn&) {};

    InstanceMutex AcquireInstanceMutex(const std::string& name) override {
        if (untrustedMutexes.count(name))
            return InstanceMutex::Untrusted;
        return heldMutexes.insert(name).second ? InstanceMutex::Acquired
                                               : InstanceMutex::AnotherCopy;
    }
    std::string LoadText(int id) override { return "text " + std::to_string(id); }
    int ShowMessage(const std::string& text, unsigned type) override {
        messages.emplace_back(text, type);
        return (type & kMbYesNo) ? answer : 1;
    }
    void RunMainDialog(CServerInventory&, const SessionEndFn& sessionEnded) override {
        ++dialogs;
        duringDialog(sessionEnded);
    }
};
