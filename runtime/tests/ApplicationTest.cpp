#include "Application.h"

#include "FakeRegistry.h"
#include "FakeServiceManager.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct FakeShell : IApplicationShell {
    std::set<std::string> heldMutexes;
    std::vector<std::pair<std::string, unsigned>> messages;
    int answer = kIdYes;
    int dialogs = 0;
    std::function<void()> duringDialog = [] {};

    bool AcquireInstanceMutex(const std::string& name) override {
        return heldMutexes.insert(name).second;
    }
    bool InstanceMutexExists(const std::string& name) override {
        return heldMutexes.count(name) != 0;
    }
    std::string LoadText(int id) override { return "text " + std::to_string(id); }
    int ShowMessage(const std::string& text, unsigned type) override {
        messages.emplace_back(text, type);
        return (type & kMbYesNo) ? answer : 1;
    }
    void RunMainDialog(CServerInventory&) override {
        ++dialogs;
        duringDialog();
    }
};

class StartUp : public ::testing::Test {
protected:
    FakeShell shell;
    FakeServiceManager services;
    FakeRegistry registry = FakeRegistry::Installation();
    CatalogueSources sources{&registry, nullptr, nullptr};
    SleepFn noWait = [](int) {};

    void SetUp() override { services.services["HalvixStoreP"] = {}; }
    int Run(const ToolProfile& tool = kScrutelProfile) {
        return RunApplication(tool, shell, services, sources, noWait);
    }
    FakeServiceManager::Service& Store() { return services.services["HalvixStoreP"]; }
};

TEST_F(StartUp, AskStopRunTheDialogAndRestore) {
    shell.duringDialog = [this] {
        EXPECT_EQ(Store().state, ServiceState::Stopped);
        EXPECT_EQ(Store().startType, ServiceStartType::Disabled);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(shell.dialogs, 1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].first, "text 131");
    EXPECT_EQ(shell.messages[0].second, kMbYesNo | kMbIconQuestion);
    EXPECT_EQ(Store().state, ServiceState::Running);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
}

TEST_F(StartUp, SecondCopyEndsSilently) {
    shell.heldMutexes.insert("Mendora.exe");
    EXPECT_EQ(Run(kMendoraProfile), 0);
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_TRUE(services.requests.empty());
    EXPECT_EQ(shell.dialogs, 0);
}

TEST_F(StartUp, RefusalsEndWithOneAndLeaveTheServiceAlone) {
    // Not installed: only bit 8 of ServerType.
    registry.dwords[{"SOFTWARE\\Brannock\\Corvane2", "ServerType"}] = 0x100;
    EXPECT_EQ(Run(kMendoraProfile), 1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0],
              std::make_pair(std::string("text 126"), kMbOk | kMbIconExclamation));

    // The administrator answers No.
    registry = FakeRegistry::Installation();
    shell = FakeShell();
    shell.answer = 7;
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(services.requests.empty());
    EXPECT_EQ(shell.dialogs, 0);

    // The service cannot be disabled.
    shell = FakeShell();
    Store().refuseConfig = true;
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(shell.messages.size(), 2u);
    EXPECT_EQ(shell.messages[1].first, Ansi("サービスの無効化に失敗しました。"));
    EXPECT_EQ(shell.dialogs, 0);
}

TEST_F(StartUp, TheToolThatEndsLastGivesTheServiceBack) {
    // Mendora runs beside Scrutel: Scrutel ends first and leaves the service stopped.
    shell.duringDialog = [this] { shell.heldMutexes.insert("Mendora.exe"); };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Store().state, ServiceState::Stopped);
    EXPECT_EQ(Store().startType, ServiceStartType::Disabled);

    // Mendora ends when Scrutel is gone: it finds the service stopped and disabled, runs, and
    // restores it.
    FakeShell mendora;
    EXPECT_EQ(RunApplication(kMendoraProfile, mendora, services, sources, noWait), 0);
    EXPECT_EQ(Store().state, ServiceState::Running);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
}

} // namespace
