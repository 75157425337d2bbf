#include "Application.h"

#include "FakeHandOver.h"
#include "FakeRegistry.h"
#include "FakeShell.h"
#include "RecordingEventLog.h"
#include "Text.h"

#include <gtest/gtest.h>

namespace {

// Two tools as start-up sees them: their mutexes and the ids of their start-up texts.
const ToolProfile kScrutelProfile = {
    Tool::Scrutel, "Global\\Scrutel.exe", "Scrutel.log", 101, 135, 128, 131, 132, "Scrutel"};
const ToolProfile kMendoraProfile = {
    Tool::Mendora, "Global\\Mendora.exe", "Mendora.log", 102, 133, 126, 154, 153, "Mendora"};

class StartUp : public ::testing::Test {
protected:
    FakeShell shell;
    FakeMachine machine;
    std::unique_ptr<FakeMachine::Tool> tool = machine.Start(10);
    FakeRegistry registry = FakeRegistry::Installation();
    CatalogueSources sources{&registry, nullptr, nullptr, &machine.log};
    RecordingEventLog events;

    int Run(const ToolProfile& profile = kScrutelProfile) {
        return RunApplication(profile, shell, tool->handOver, sources, events);
    }
};

TEST_F(StartUp, AskStopRunTheDialogAndRestore) {
    shell.duringDialog = [this](const SessionEndFn&) {
        EXPECT_EQ(machine.Service(), "STOPPED DISABLED");
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(shell.dialogs, 1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].first, "text 131");
    EXPECT_EQ(shell.messages[0].second, kMbYesNo | kMbIconQuestion);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(StartUp, SecondCopyEndsSilentlyAndAForeignMutexIsRefused) {
    shell.heldMutexes.insert("Global\\Mendora.exe");
    EXPECT_EQ(Run(kMendoraProfile), 0);
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_EQ(shell.dialogs, 0);

    shell.untrustedMutexes.insert("Global\\Scrutel.exe");
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_NE(shell.messages[0].first.find("(Global\\Scrutel.exe)"), std::string::npos);
    EXPECT_TRUE(machine.services.requests.empty());
    EXPECT_EQ(shell.dialogs, 0);
    ASSERT_EQ(events.events.size(), 1u); // the second copy's silent end is no event
    EXPECT_EQ(events.events[0].id, kEventRunRefused);
    EXPECT_EQ(events.events[0].inserts, std::vector<std::string>{shell.messages[0].first});
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
    EXPECT_TRUE(machine.services.requests.empty());
    EXPECT_EQ(shell.dialogs, 0);

    // The service cannot be disabled.
    shell = FakeShell();
    machine.Store().refuseConfig = true;
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(shell.messages.size(), 2u);
    EXPECT_EQ(shell.messages[1].first, Ansi("サービスの無効化に失敗しました。"));
    EXPECT_EQ(shell.dialogs, 0);

    // Someone else holds the hand-over's lock.
    shell = FakeShell();
    machine.lock = LockResult::Untrusted;
    machine.services.requests.clear();
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(shell.messages.size(), 1u); // before the question
    EXPECT_EQ(shell.messages[0].second, kMbOk | kMbIconExclamation);
    EXPECT_TRUE(machine.services.requests.empty());

    // Each refusal is an event with its reason; the answer No is none.
    const auto refused = events.Of(kEventRunRefused);
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0].inserts, std::vector<std::string>{"text 126"});
    EXPECT_EQ(refused[1].inserts,
              std::vector<std::string>{Ansi("サービスの無効化に失敗しました。")});
    EXPECT_EQ(refused[2].inserts, std::vector<std::string>{shell.messages[0].first});
    EXPECT_EQ(events.events.size(), refused.size());
}

TEST_F(StartUp, RecoveryComesBeforeTheQuestionAndHoldsWhateverTheAnswer) {
    auto crashed = machine.Start(99);
    ASSERT_EQ(crashed->handOver.Take(false), CServiceHandOver::Result::Done);
    crashed->Kill();
    shell.answer = 7;
    EXPECT_EQ(Run(kMendoraProfile), 1);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(StartUp, TheEndOfTheSessionGivesTheServiceBackDuringTheDialog) {
    shell.duringDialog = [this](const SessionEndFn& sessionEnded) {
        sessionEnded();
        EXPECT_EQ(machine.Service(), "RUNNING AUTO");
        machine.services.requests.clear();
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(machine.services.requests.empty()); // given back once
}

} // namespace
