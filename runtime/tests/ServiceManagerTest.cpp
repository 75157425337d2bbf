#include "ServiceManager.h"

#include "FakeRegistry.h"
#include "FakeServiceManager.h"

#include <gtest/gtest.h>

namespace {

using Requests = std::vector<std::string>;

class ServiceSteps : public ::testing::Test {
protected:
    FakeServiceManager manager;
    FakeRegistry registry = FakeRegistry::Installation();
    int sleptMs = 0;
    SleepFn sleep = [this](int ms) { sleptMs += ms; };
    FakeServiceManager::Service& Store() { return manager.services["HalvixStoreP"]; }
};

TEST_F(ServiceSteps, RunningServiceIsStoppedThenDisabled) {
    Store().pollsToStop = 3;
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Done);
    EXPECT_EQ(manager.requests, (Requests{"stop HalvixStoreP", "config HalvixStoreP 4"}));
    EXPECT_EQ(Store().startType, ServiceStartType::Disabled);
    EXPECT_EQ(sleptMs, 3000); // three polls saw it stop-pending
}

TEST_F(ServiceSteps, AlreadyStoppedAndDisabledIsLeftAlone) {
    Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Done);
    EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ServiceSteps, StoppedManualServiceIsDisabledWithoutAStopRequest) {
    Store() = {ServiceState::Stopped, ServiceStartType::Demand};
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Done);
    EXPECT_EQ(manager.requests, (Requests{"config HalvixStoreP 4"}));
    EXPECT_EQ(sleptMs, 0);
}

TEST_F(ServiceSteps, GivesUpAfterSixtyPollsOfStopPending) {
    Store().pollsToStop = -1;
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Failed);
    EXPECT_EQ(sleptMs, 60 * 1000);
    EXPECT_EQ(Store().startType, ServiceStartType::Auto);
}

TEST_F(ServiceSteps, RefusedConfigurationOrMissingServiceOrProduct) {
    Store().refuseConfig = true;
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Failed);
    manager.services.clear();
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Failed); // no such service
    Store();
    registry.dwords[{"SOFTWARE\\Brannock\\Corvane2", "ServerType"}] = 0x100;
    manager.requests.clear();
    EXPECT_EQ(StopServicesForRun(manager, registry, sleep), Outcome::Failed); // not installed
    EXPECT_TRUE(manager.requests.empty());
}

TEST_F(ServiceSteps, RestoreEnablesAndStartsOnlyAStoppedDisabledService) {
    Store() = {ServiceState::Stopped, ServiceStartType::Disabled};
    EXPECT_EQ(RestoreServices(manager), Outcome::Done);
    EXPECT_EQ(manager.requests, (Requests{"config HalvixStoreP 2", "start HalvixStoreP"}));
    EXPECT_EQ(Store().state, ServiceState::Running);

    for (FakeServiceManager::Service other :
         {FakeServiceManager::Service{ServiceState::Running, ServiceStartType::Disabled},
          FakeServiceManager::Service{ServiceState::Stopped, ServiceStartType::Demand}}) {
        Store() = other;
        manager.requests.clear();
        EXPECT_EQ(RestoreServices(manager), Outcome::Failed);
        EXPECT_TRUE(manager.requests.empty());
    }
}

TEST_F(ServiceSteps, OnlyTheStorageProductHasAStoppableServiceHere) {
    manager.services["HalvixQuay"] = {ServiceState::Stopped, ServiceStartType::Disabled};
    EXPECT_TRUE(IsProductServiceStoppedAndDisabled(manager, 1024));
    EXPECT_FALSE(IsProductServiceStoppedAndDisabled(manager, 4096));
}

} // namespace
