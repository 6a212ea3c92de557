// The SMC client against a simulated controller: finding and opening it, reading and listing
// keys, the cost of reads in kernel calls, and the failures it must survive.
#include <gtest/gtest.h>

#include <cmath>

#include "os/Clock.h"
#include "os/SystemLog.h"
#include "smc/TKSSystemManagementController.h"
#include "support/SimulatedMachineTest.h"
#include "smc/SMCTestMachine.h"

namespace sw::test {
namespace {

using Controller = TKSSystemManagementController;

const Data kDiode45{0x2D, 0x80};

class SMCOpening : public SimulatedMachineTest {};

TEST_F(SMCOpening, aMachineWithoutControllerHasNoSharedClient) {
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
  install(ProfileBuilder().entry("AppleSMC", {{"@SMCKeys", Value(Array{})}}));  // no "smc-version"
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
}

TEST_F(SMCOpening, aServiceWithoutUserClientIsLoggedAndRefused) {
  install(ProfileBuilder().entry("AppleSMC", {{"smc-version", Value("1.47f2")}}));
  os::CapturedLog log;
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
  EXPECT_TRUE(log.contains("TKSSystemManagementController: could not open service connection (error -536870201)\n"));
}

TEST_F(SMCOpening, theSharedClientIsFoundOnceAndKept) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45)}));
  auto first = Controller::sharedSystemManagementController();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Controller::sharedSystemManagementController(), first);
  EXPECT_EQ(first->versionNumber(), "1.47f2");
  EXPECT_EQ(sim::SMCUserClient::connectionCounts().size(), 1u);
}

TEST_F(SMCOpening, anImplausibleCPUDiodeRejectsTheController) {
  struct Case {
    Data fp97;  // 9 integer and 7 fraction bits
    bool accepted;
  };
  // 256.875 truncates to 256 and passes; 257.0 does not.
  for (const Case& test : {Case{{0x80, 0x70}, true}, Case{{0x80, 0x80}, false}}) {
    install(smcMachine({smcKey("TC0D", "fp97", test.fp97)}));
    os::CapturedLog log;
    EXPECT_EQ(Controller::sharedSystemManagementController() != nullptr, test.accepted);
    EXPECT_EQ(log.contains("Strange entry for SMC CPU diode sensor 0 detected: Assuming defective or fake System "
                           "Management Controller. Rejecting communication!\n"),
              !test.accepted);
  }
}

class SMCKeyReading : public SimulatedMachineTest {
 protected:
  Controller& controllerWith(Array keys) {
    install(smcMachine(std::move(keys)));
    // The shared instance lives until the fixture resets the process state.
    auto controller = Controller::sharedSystemManagementController();
    EXPECT_NE(controller, nullptr);
    return *controller;
  }
};

TEST_F(SMCKeyReading, keysOfAnotherLengthAreRefusedWithoutAKernelCall) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45)});
  std::uint64_t before = smcCalls();
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("TC0"));
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("TC0DD"));
  EXPECT_FALSE(smc.typeCodeForPropertyWithKey(""));
  EXPECT_EQ(smc.precisionForPropertyWithKey("TC0"), -1.0);
  EXPECT_EQ(smcCalls(), before);
}

TEST_F(SMCKeyReading, valuesTypesAndPrecisions) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("FNum", "ui8 ", {2}),
                                    smcKey("ZZ99", "sp99", {1, 2}), smcKey("ACIC", "ui16", {0, 5}),
                                    smcKey("EMTY", "hex_", {})});
  EXPECT_EQ(smc.objectValueForPropertyWithKey("TC0D"), Value::real(45.5));
  EXPECT_EQ(smc.typeCodeForPropertyWithKey("FNum"), "ui8 ");
  EXPECT_EQ(smc.descriptionForPropertyWithKey("FNum"), "2");
  EXPECT_EQ(smc.precisionForPropertyWithKey("TC0D"), 0.00390625);
  EXPECT_EQ(smc.precisionForPropertyWithKey("ACIC"), 0.0);
  EXPECT_EQ(smc.precisionForPropertyWithKey("ZZ99"), -1.0);
  EXPECT_EQ(smc.precisionForPropertyWithKey("NONE"), -1.0);
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("EMTY"));
  EXPECT_FALSE(smc.descriptionForPropertyWithKey("EMTY"));
}

TEST_F(SMCKeyReading, aFailingKeyIsLoggedAndReadsAsNothing) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("ACCL", "ui8 ", {0}, SMCKeyFlag::Fail)});
  os::CapturedLog log;
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("ACCL"));
  EXPECT_TRUE(log.contains("TKSSystemManagementController: function call failed with error -536870212\n"));
}

TEST_F(SMCKeyReading, hiddenKeysAreReadableButNotListed) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("OSK0", "ch8*", {'a', 'b'}, SMCKeyFlag::Hidden)});
  EXPECT_EQ(smc.allPropertyKeys(), (std::vector<std::string>{"#KEY", "TC0D"}));
  EXPECT_EQ(smc.objectValueForPropertyWithKey("OSK0"), Value("ab"));
}

TEST_F(SMCKeyReading, anUnreadableKeyCountListsNothing) {
  Controller& smc = controllerWith({smcKey("#KEY", "ui32", {0, 0, 0, 2}, SMCKeyFlag::Fail), smcKey("TC0D", "sp78", kDiode45)});
  EXPECT_TRUE(smc.allPropertyKeys().empty());
}

TEST_F(SMCKeyReading, indexesBeyondTheKeysAreSkipped) {
  Controller& smc = controllerWith({smcKey("#KEY", "ui32", {0, 0, 0, 4}), smcKey("TC0D", "sp78", kDiode45)});
  os::CapturedLog log;
  EXPECT_EQ(smc.allPropertyKeys(), (std::vector<std::string>{"#KEY", "TC0D"}));
  EXPECT_EQ(log.messages().size(), 2u);
}

TEST_F(SMCKeyReading, anAbsurdKeyCountDoesNotHangTheHost) {
  Controller& smc = controllerWith({smcKey("#KEY", "ui32", {0xFF, 0xFF, 0xFF, 0xFF}), smcKey("TC0D", "sp78", kDiode45)});
  os::CapturedLog log;
  std::uint64_t before = sim::SMCUserClient::lastConnectionCounts().readIndex;
  EXPECT_EQ(smc.allPropertyKeys().size(), 2u);
  EXPECT_EQ(sim::SMCUserClient::lastConnectionCounts().readIndex - before, Controller::kMaximumKeyCount);
  EXPECT_TRUE(log.contains("TKSSystemManagementController: the controller reports 4294967295 keys; listing only the "
                           "first 4096\n"));
}

class SMCCache : public SMCKeyReading {
 protected:
  os::ManualClock clock_;
};

TEST_F(SMCCache, aMissCostsTwoCallsAndAYoungValueNone) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("TB0T", "sp78", kDiode45)});
  std::uint64_t start = smcCalls();
  smc.objectValueForPropertyWithKey("TB0T");
  EXPECT_EQ(smcCalls() - start, 2u);
  clock_.advance(0.5);
  smc.objectValueForPropertyWithKey("TB0T");
  EXPECT_EQ(smcCalls() - start, 2u);
  clock_.advance(0.5);  // exactly the expiry time after the store: still served
  smc.objectValueForPropertyWithKey("TB0T");
  EXPECT_EQ(smcCalls() - start, 2u);
  clock_.advance(0.5);
  smc.objectValueForPropertyWithKey("TB0T");
  EXPECT_EQ(smcCalls() - start, 4u);
}

TEST_F(SMCCache, accessPoliciesSetTheExpiryTime) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("TB0T", "sp78", kDiode45)});
  Controller::setAccessPolicy(2);
  EXPECT_EQ(Controller::accessPolicy(), 2);
  std::uint64_t start = smcCalls();
  smc.objectValueForPropertyWithKey("TB0T");
  clock_.advance(59);
  smc.objectValueForPropertyWithKey("TB0T");
  EXPECT_EQ(smcCalls() - start, 2u);
  Controller::setAccessPolicy(1);
  EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), 10.0);
  Controller::setAccessPolicy(7);
  EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), 1.0);
}

TEST(SMCCachedValue, nonPositiveExpiryTimesAreIgnored) {
  for (double ignored : {0.0, -5.0, std::nan("")}) {
    TKSSMCCachedValue::setCacheExpireTime(0.75);
    TKSSMCCachedValue::setCacheExpireTime(ignored);
    EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), 0.75) << ignored;
  }
  TKSSMCCachedValue::setCacheExpireTime(0.25);
  EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), 0.25);
  TKSSMCCachedValue::setCacheExpireTime(1.0);
}

TEST(SMCCachedValue, aValueNeverStoredIsNeverValid) {
  os::ManualClock clock(0.5);
  EXPECT_FALSE(TKSSMCCachedValue().isValid());
}

class SMCLowAccessRate : public SimulatedMachineTest {};

TEST_F(SMCLowAccessRate, isRecommendedOnlyWhenThePlatformPluginHasAChild) {
  EXPECT_FALSE(Controller::isLowAccessRatePolicyRecommended());
  install(ProfileBuilder().entry("ACPI_SMC_PlatformPlugin"));
  EXPECT_FALSE(Controller::isLowAccessRatePolicyRecommended());
  install(ProfileBuilder().entry("ACPI_SMC_PlatformPlugin").child("IOPMrootDomain"));
  EXPECT_TRUE(Controller::isLowAccessRatePolicyRecommended());
}

}  // namespace
}  // namespace sw::test
