#include "ServiceHandOver.h"

#include "FakeHandOver.h"

#include <gtest/gtest.h>

namespace {

using Result = CServiceHandOver::Result;

class HandOver : public ::testing::Test {
protected:
    FakeMachine machine;

    bool Logged(const char* utf8) { return machine.log.Utf8Text().find(utf8) != std::string::npos; }
    // A record left by a tool that is no longer there.
    void LeftBehind(ServiceStartType type, bool running, ProcessIdentity holder = {77, 5}) {
        machine.key.texts[kHandOverValue] = FormatHandOverRecord({{type, running}, {holder}});
        machine.Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    }
};

TEST(HandOverRecord, ReadsWhatItWritesAndNothingElse) {
    const HandOverRecord record{{ServiceStartType::Demand, false},
                                {{42, 133790000000000001}, {7, 9}}};
    const std::string text = FormatHandOverRecord(record);
    EXPECT_EQ(text, "StartType=3;Running=0;Holders=42:133790000000000001,7:9");
    const auto back = ParseHandOverRecord(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->found.startType, ServiceStartType::Demand);
    EXPECT_FALSE(back->found.running);
    EXPECT_EQ(back->holders, record.holders);
    EXPECT_TRUE(ParseHandOverRecord("StartType=2;Running=1;Holders="));
    for (const char* bad :
         {"", "StartType=2;Running=1", "StartType=5;Running=1;Holders=",
          "StartType=2;Running=2;Holders=", "Running=1;StartType=2;Holders=",
          "StartType=2;Running=1;Holders=1:2,", "StartType=2;Running=1;Holders=1",
          "StartType=2;Running=1;Holders=x:1", "StartType=2;Running=1;Holders=1:2;",
          "StartType=-1;Running=1;Holders=", "StartType=2;Running=1;Holders=99999999999:1"})
        EXPECT_FALSE(ParseHandOverRecord(bad)) << bad;
}

TEST(HandOverLock, OnlyAdministratorsSystemOrOurOwnOwnerAreTrusted) {
    const std::string own = "S-1-5-21-1-2-3-500";
    EXPECT_TRUE(IsTrustedOwner("S-1-5-32-544", own));
    EXPECT_TRUE(IsTrustedOwner("S-1-5-18", own));
    EXPECT_TRUE(IsTrustedOwner(own, own));
    EXPECT_FALSE(IsTrustedOwner("S-1-5-21-1-2-3-1001", own)); // an ordinary user
    EXPECT_FALSE(IsTrustedOwner("", ""));
}

TEST_F(HandOver, TakesRecordsFirstAndGivesBackAsFound) {
    machine.Store().startType = ServiceStartType::Demand; // a Manual service stays Manual
    auto tool = machine.Start(10);
    EXPECT_EQ(tool->handOver.Take(false), Result::Done);
    EXPECT_EQ(machine.Service(), "STOPPED DISABLED");
    ASSERT_TRUE(machine.Record());
    EXPECT_EQ(machine.Record()->found.startType, ServiceStartType::Demand);
    EXPECT_EQ(machine.Record()->holders, (std::vector<ProcessIdentity>{{10, 1000}}));
    tool->handOver.GiveBack();
    EXPECT_EQ(machine.Service(), "RUNNING DEMAND");
    EXPECT_FALSE(machine.key.ReadText(kHandOverValue));
    EXPECT_TRUE(Logged(
        "サービスをこの実行のために停止し、無効にしました。,HalvixStoreP,元の状態: 手動・実行中"));
    EXPECT_TRUE(Logged("【Success】,サービスを元の状態に戻しました。,HalvixStoreP,手動・実行中"));
    EXPECT_TRUE(machine.events.events.empty()); // given back by its holder: nothing to tell
}

TEST_F(HandOver, NoRecordNoStop) {
    machine.key.refuseWrites = true;
    auto tool = machine.Start(10);
    EXPECT_EQ(tool->handOver.Take(false), Result::NotRecorded);
    EXPECT_TRUE(machine.services.requests.empty());
    tool->handOver.GiveBack();
    EXPECT_TRUE(machine.services.requests.empty());
}

TEST_F(HandOver, TheLastOfTwoHoldersGivesItBackInEitherOrder) {
    for (const bool firstEndsFirst : {true, false}) {
        auto first = machine.Start(10);
        auto second = machine.Start(20);
        ASSERT_EQ(first->handOver.Take(false), Result::Done);
        ASSERT_EQ(second->handOver.Take(false), Result::Done);
        auto& early = firstEndsFirst ? first : second;
        auto& late = firstEndsFirst ? second : first;
        early->handOver.GiveBack();
        EXPECT_EQ(machine.Service(), "STOPPED DISABLED");
        EXPECT_TRUE(Logged("停止したままにします。,HalvixStoreP,プロセスID: "));
        late->handOver.GiveBack();
        EXPECT_EQ(machine.Service(), "RUNNING AUTO");
        EXPECT_FALSE(machine.Record());
    }
}

TEST_F(HandOver, ADeadHolderIsRecoveredAtTheNextStart) {
    auto crashed = machine.Start(10);
    ASSERT_EQ(crashed->handOver.Take(false), Result::Done);
    crashed->Kill();
    auto next = machine.Start(20);
    EXPECT_EQ(next->handOver.Recover(), Result::Done);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
    EXPECT_FALSE(machine.Record());
    EXPECT_TRUE(Logged("ツールに代わり、サービスを元の状態に戻しました。,HalvixStoreP,自動・実行中 "
                       "(プロセスID: 10)"));
    const auto events = machine.events.Of(kEventServiceRecovered);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].level, EventLevel::Warning);
    EXPECT_EQ(events[0].inserts, (std::vector<std::string>{"HalvixStoreP", Ansi("自動・実行中"),
                                                           Ansi("(プロセスID: 10)")}));
}

TEST_F(HandOver, AReusedProcessIdIsNotTheHolder) {
    LeftBehind(ServiceStartType::Auto, true, {10, 1000});
    machine.running.insert({10, 2000}); // the id now belongs to a later process
    auto next = machine.Start(20);
    EXPECT_EQ(next->handOver.Recover(), Result::Done);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(HandOver, ALiveHolderKeepsTheServiceAndRefusesAnExclusiveRun) {
    auto mendora = machine.Start(10);
    ASSERT_EQ(mendora->handOver.Take(false), Result::Done);
    auto check = machine.Start(20);
    EXPECT_EQ(check->handOver.Recover(), Result::Done);
    EXPECT_EQ(machine.Service(), "STOPPED DISABLED");
    EXPECT_EQ(check->handOver.Take(true), Result::HeldByAnother);
    EXPECT_EQ(machine.Record()->holders.size(), 1u);
}

TEST_F(HandOver, AServiceChangedSinceIsLeftAloneAndTheRecordDropped) {
    LeftBehind(ServiceStartType::Auto, true);
    machine.Store() = {ServiceState::Stopped, ServiceStartType::Demand};
    machine.services.requests.clear();
    EXPECT_EQ(machine.Start(20)->handOver.Recover(), Result::Done);
    EXPECT_TRUE(machine.services.requests.empty());
    EXPECT_FALSE(machine.Record());
    EXPECT_TRUE(Logged("【Failure】,サービスの状態が変更されていたため"));
    EXPECT_TRUE(machine.events.events.empty()); // nothing was recovered
}

TEST_F(HandOver, ServiceLeftDownWithoutARecordComesBackAutomaticAndRunning) {
    machine.Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    auto tool = machine.Start(10);
    EXPECT_EQ(tool->handOver.Take(false), Result::Done);
    tool->handOver.GiveBack();
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(HandOver, AnUntrustedOrBusyLockTouchesNothing) {
    for (const LockResult lock : {LockResult::Untrusted, LockResult::TimedOut}) {
        LeftBehind(ServiceStartType::Auto, true);
        machine.services.requests.clear();
        machine.lock = lock;
        auto tool = machine.Start(10);
        EXPECT_NE(tool->handOver.Recover(), Result::Done);
        EXPECT_NE(tool->handOver.Take(false), Result::Done);
        EXPECT_TRUE(machine.services.requests.empty());
        EXPECT_EQ(machine.Record()->holders.size(), 1u);
        if (lock == LockResult::Untrusted) { // the administrator learns what to look for
            EXPECT_NE(tool->handOver.Refusal().find("Global\\VelmoraStorageServiceHandOver"),
                      std::string::npos);
        }
    }
}

TEST_F(HandOver, AStopThatDoesNotFinishInTimeIsUndone) {
    machine.key.numbers[kStopWaitValue] = 5;
    machine.Store().pollsToStop = 30 * kStopPollsPerSecond; // long after the wait, within a minute
    auto tool = machine.Start(10);
    EXPECT_EQ(tool->handOver.Take(false), Result::NotStopped);
    EXPECT_EQ(tool->handOver.Refusal(), Ansi("サービスの無効化に失敗しました。"));
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
    EXPECT_FALSE(machine.Record());
    EXPECT_TRUE(Logged("時間内に停止しなかったため、元の状態に戻しました。"));

    machine.Store() = {ServiceState::Running, ServiceStartType::Auto, 8 * kStopPollsPerSecond};
    machine.Store().refuseStart = true;
    EXPECT_EQ(tool->handOver.Take(false), Result::NotStopped);
    EXPECT_EQ(Utf8FromAnsi(tool->handOver.Refusal()),
              "サービスの無効化に失敗しました。\r\nサービスを開始できませんでした。");
    tool->handOver.GiveBack(); // holds nothing
    EXPECT_EQ(machine.Service(), "STOPPED AUTO");
}

} // namespace
