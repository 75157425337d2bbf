// What a run reaches beyond itself, passed down by the program (the system's) or a test
// (its doubles), and the host its checks run in.
#pragma once

#include "AdminFolder.h"
#include "CabinetCatalogue.h"
#include "CheckHost.h"
#include "ServiceManager.h"
#include "SqlServerSession.h"
#include "ToolKey.h"

#include <cstdint>
#include <functional>
#include <string>

struct RunServices {
    std::function<std::string(int id)> loadText; // the tool's string table, ANSI
    std::function<CSqlServerSession(const CabinetRecord&)> makeSession;
    std::function<std::uint32_t(const std::string& statement, std::string& output)> docTypeQuery;
    SleepFn sleep;
    // A moment for whoever waits on the run (a window's messages), between rows and steps.
    std::function<void()> yield;
    // Where a repair keeps its undo journal: a folder only administrators may write (null,
    // with why, when it is refused), and the tools' key, where the journals' SHA-256 go.
    std::function<std::unique_ptr<IAdminFolder>(std::string& why)> journalFolder;
    IToolKey* toolKey;
};

class CRunHost : public ICheckHost {
public:
    CRunHost(const RunServices& services, const CheckOptions& options, IRunEvents& events)
        : services_(services), options_(options), events_(events) {}

    const CheckOptions& Options() const override { return options_; }
    std::string LoadText(int id) const override { return services_.loadText(id); }
    std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) override {
        return services_.docTypeQuery(statement, output);
    }
    IRunEvents& Events() override { return events_; }
    void YieldNow() override { services_.yield(); }

private:
    const RunServices& services_;
    const CheckOptions& options_;
    IRunEvents& events_;
};
