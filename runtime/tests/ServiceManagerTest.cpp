#include "ServiceManager.h"

#include "FakeServiceManager.h"

#include <gtest/gtest.h>

namespace {

using Requests = std::vector<std::string>;

class ServiceSteps : public ::testing::Test {
protected:
    FakeServiceManager manager;
    int sleptMs = 0;
    ServiceWait wait{[this](int ms) { sleptMs += ms; }, kStopWaitSeconds};
    FakeServiceManager::Service& Store() { return manager.services["HalvixStoreP"]; }
    Outcome Stop() { return StopAndDisableService(manager, "HalvixStoreP", wait); }
    PutBack Back(ServiceStartType type, bool running) {
        return PutServiceBack(manager, "HalvixStoreP", {type, running}, wait);
    }
};

TEST_F(ServiceSteps, RunningServiceIsStoppedThenDisabled) {
    Store().pollsToStop = 3;
    EXPECT_EQ(Stop(), Outcome::Done);
    EXPECT_EQ(manager.requests, (Requests{"stop HalvixStoreP", "config HalvixStoreP 4"}));
    EXPECT_EQ(Store().startType, ServiceStartType::Disabled);
    EXPECT_EQ(sleptMs, 3 * kStopPollIntervalMs); // three polls saw it stop-pending
}

TEST_F(ServiceSteps, StoppedManualServiceIsDisabledWithoutAStopRequest) {
    Store() = {ServiceState::Stopped, ServiceStartType::Demand};
    EXPECT_EQ(Stop(), Outcome::Done);
    EXPECT_EQ(manager.requests, (Requests{"config HalvixStoreP 4"}));
    EXPECT_EQ(sleptMs, 0);
}

TEST_F(ServiceSteps, GivesUpAfterItsPollsOrWhenItCannotDisable) {
    Store().pollsToStop = -1;
    wait.seconds = 5;
    EXPECT_EQ(Stop(), Outcome::Failed);
    EXPECT_EQ(sleptMs, 5000);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);

    Store() = {ServiceState::Stopped, ServiceStartType::Auto};
    Store().refuseConfig = true;
    EXPECT_EQ(Stop(), Outcome::Failed);
    manager.services.clear();
    EXPECT_EQ(Stop(), Outcome::Failed); // no such service
}

TEST_F(ServiceSteps, PutBackRestoresTheStartTypeFoundAndStartsWhatRan) {
    Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    EXPECT_EQ(Back(ServiceStartType::Demand, true), PutBack::Done);
    EXPECT_EQ(manager.requests, (Requests{"config HalvixStoreP 3", "start HalvixStoreP"}));
    EXPECT_EQ(Store().state, ServiceState::Running);
    EXPECT_EQ(Store().startType, ServiceStartType::Demand);

    Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    EXPECT_EQ(Back(ServiceStartType::Auto, false), PutBack::Done);
    EXPECT_EQ(Store().state, ServiceState::Stopped);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
}

TEST_F(ServiceSteps, PutBackWaitsForAStopToSettleBeforeItStarts) {
    Store() = {ServiceState::StopPending, ServiceStartType::Auto, 3};
    manager.requests.clear();
    EXPECT_EQ(Back(ServiceStartType::Auto, true), PutBack::Done);
    EXPECT_EQ(manager.requests, (Requests{"start HalvixStoreP"})); // start type already right
    EXPECT_EQ(Store().state, ServiceState::Running);

    Store() = {ServiceState::StopPending, ServiceStartType::Auto, -1};
    wait.seconds = 2;
    EXPECT_EQ(Back(ServiceStartType::Auto, true), PutBack::StillStopping);

    Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    Store().refuseConfig = true;
    EXPECT_EQ(Back(ServiceStartType::Auto, true), PutBack::StartTypeNotSet);
    EXPECT_EQ(Store().state, ServiceState::Stopped);
}

} // namespace
