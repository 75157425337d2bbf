#include "Application.h"

#include "FakeRegistry.h"
#include "FakeServiceManager.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

// One tool's platform side; tools that run side by side share the count of claims.
struct FakeShell : IApplicationShell {
    std::set<std::string> heldMutexes;
    std::shared_ptr<int> claims = std::make_shared<int>(0);
    bool claiming = false;
    std::vector<std::pair<std::string, unsigned>> messages;
    int answer = kIdYes;
    int dialogs = 0;
    std::function<void()> duringDialog = [] {};
    std::function<void()> duringQuestion = [] {};

    bool AcquireInstanceMutex(const std::string& name) override {
        return heldMutexes.insert(name).second;
    }
    void TakeServiceClaim() override {
        *claims += claiming ? 0 : 1;
        claiming = true;
    }
    void DropServiceClaim() override {
        *claims -= claiming ? 1 : 0;
        claiming = false;
    }
    bool ServiceClaimed() override { return *claims > 0; }
    std::string LoadText(int id) override { return "text " + std::to_string(id); }
    int ShowMessage(const std::string& text, unsigned type) override {
        messages.emplace_back(text, type);
        if (type & kMbYesNo)
            duringQuestion();
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

TEST_F(StartUp, TheLastClaimToGoGivesTheServiceBack) {
    // Mendora runs and ends inside Scrutel's run: Scrutel's claim keeps the service down.
    FakeShell mendora;
    mendora.claims = shell.claims;
    shell.duringDialog = [&] {
        EXPECT_EQ(RunApplication(kMendoraProfile, mendora, services, sources, noWait), 0);
        EXPECT_EQ(Store().state, ServiceState::Stopped);
        EXPECT_EQ(Store().startType, ServiceStartType::Disabled);
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Store().state, ServiceState::Running);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
    EXPECT_EQ(*shell.claims, 0);
}

TEST_F(StartUp, AToolAtItsQuestionHoldsNoClaim) {
    // Scrutel ends while Mendora waits at its question: Scrutel gives the service back, and
    // Mendora's No changes nothing.
    FakeShell mendora;
    mendora.claims = shell.claims;
    mendora.answer = 7;
    mendora.duringQuestion = [&] {
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Store().state, ServiceState::Running);
    };
    EXPECT_EQ(RunApplication(kMendoraProfile, mendora, services, sources, noWait), 1);
    EXPECT_EQ(Store().state, ServiceState::Running);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
}

TEST_F(StartUp, AStopThatFailsGivesTheClaimUpAndLeavesTheServiceAsItWas) {
    Store().pollsToStop = -1; // it never stops
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(*shell.claims, 0);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
    EXPECT_EQ(shell.dialogs, 0);
}

} // namespace
