// The SMC client against a simulated controller: the record they exchange, finding and opening
// the controller, reading and listing keys, the cost of reads in kernel calls, and the failures
// it must survive.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "os/Clock.h"
#include "os/SystemLog.h"
#include "smc/SMCTestMachine.h"
#include "smc/SMCValueDecoding.h"
#include "smc/TKSSMCKeyData.h"
#include "smc/TKSSystemManagementController.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Controller = TKSSystemManagementController;

const Data kDiode45{0x2D, 0x80};

class SMCClient : public SimulatedMachineTest {
 protected:
  Controller& controllerWith(Array keys) {
    install(smcMachine(std::move(keys)));
    // The shared instance lives until the fixture resets the process state.
    auto controller = Controller::sharedSystemManagementController();
    EXPECT_NE(controller, nullptr);
    return *controller;
  }

  os::ManualClock clock_;
};

TEST(SMCRecord, theKeyIsAHostOrderIntegerAtOffsetZeroAndTheCommandAtFortyTwo) {
  TKSSMCKeyData record{};
  record.key = smc::fourCharCodeForKeyString("#KEY");
  record.command = kSMCCommandReadIndex;
  std::uint8_t bytes[80];
  static_assert(sizeof record == sizeof bytes);
  std::memcpy(bytes, &record, sizeof bytes);
  EXPECT_EQ(bytes[0], 0x59);
  EXPECT_EQ(bytes[3], 0x23);
  EXPECT_EQ(bytes[42], kSMCCommandReadIndex);
}

// A failing key shows in the client's log below.
TEST(SMCRecord, theDriverAnswersUnknownAndMalformedRequestsWithErrors) {
  sim::SMCKeyTable table = sim::SMCKeyTable::parse(Value(Array{smcKey("TC0D", "sp78", kDiode45)}), "@SMCKeys");
  sim::SMCUserClient client(table);
  auto call = [&](std::uint8_t command, const char* key, std::size_t inputSize = 80,
                  std::uint32_t selector = kSMCUserClientMethod) {
    TKSSMCKeyData record{};  // the driver may answer into the record it was given
    record.command = command;
    record.key = smc::fourCharCodeForKeyString(key);
    std::size_t outputSize = sizeof record;
    return client.callStructMethod(selector, &record, inputSize, &record, &outputSize);
  };
  EXPECT_EQ(call(kSMCCommandReadKeyInfo, "NONE"), os::kIOReturnNotFound);
  EXPECT_EQ(call(kSMCCommandReadKeyInfo, "TC0D", 79), os::kIOReturnBadArgument);
  EXPECT_NE(call(kSMCCommandReadKeyInfo, "TC0D", 80, 3), os::kIOReturnSuccess);
  EXPECT_NE(call(42, "TC0D"), os::kIOReturnSuccess);
  EXPECT_EQ(sim::SMCUserClient::lastConnectionCounts().failed, 2u) << "a wrong size or selector never reaches the driver";
}

TEST_F(SMCClient, aMissingControllerOrUserClientOrAnImplausibleCPUDiodeGivesNoSharedClient) {
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
  install(ProfileBuilder().entry("AppleSMC", {{"@SMCKeys", Value(Array{})}}));  // no "smc-version"
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
  install(ProfileBuilder().entry("AppleSMC", {{"smc-version", Value("1.47f2")}}));
  os::CapturedLog log;
  EXPECT_EQ(Controller::sharedSystemManagementController(), nullptr);
  EXPECT_TRUE(log.contains("TKSSystemManagementController: could not open service connection (error -536870201)\n"));
  // fp97: 256.875 truncates to 256 and passes; 257.0 does not.
  for (const auto& [fp97, accepted] : {std::pair{Data{0x80, 0x70}, true}, std::pair{Data{0x80, 0x80}, false}}) {
    install(smcMachine({smcKey("TC0D", "fp97", fp97)}));
    os::CapturedLog diodeLog;
    EXPECT_EQ(Controller::sharedSystemManagementController() != nullptr, accepted);
    EXPECT_EQ(diodeLog.contains("Strange entry for SMC CPU diode sensor 0 detected: Assuming defective or fake "
                                "System Management Controller. Rejecting communication!\n"),
              !accepted);
  }
}

TEST_F(SMCClient, aVersionGivenAsDataEndsAtItsZeroAndReadsAsMacOSRoman) {
  install(ProfileBuilder().entry("AppleSMC", {{"smc-version", Value(Data{'1', '.', '4', 0x8A, 0, 'x'})},
                                              {"@SMCKeys", Value(Array{smcKey("TC0D", "sp78", kDiode45)})}}));
  auto smc = Controller::sharedSystemManagementController();
  ASSERT_NE(smc, nullptr);
  EXPECT_EQ(smc->versionNumber(), "1.4\u00e4");
}

TEST_F(SMCClient, theSharedClientIsOpenedOnceAndReadsValuesTypesPrecisionsAndFailures) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("FNum", "ui8 ", {2}),
                                    smcKey("ZZ99", "sp99", {1, 2}), smcKey("ACIC", "ui16", {0, 5}),
                                    smcKey("EMTY", "hex_", {}), smcKey("OSK0", "ch8*", {'a', 'b'}, SMCKeyFlag::Hidden),
                                    smcKey("ACCL", "ui8 ", {0}, SMCKeyFlag::Fail)});
  expectLogMessage(kMissingKeyLog);  // the precision of NONE
  EXPECT_EQ(Controller::sharedSystemManagementController().get(), &smc);
  EXPECT_EQ(sim::SMCUserClient::connectionCounts().size(), 1u);
  EXPECT_EQ(smc.versionNumber(), "1.47f2");
  EXPECT_EQ(smc.objectValueForPropertyWithKey("TC0D"), Value::real(45.5));
  EXPECT_EQ(smc.objectValueForPropertyWithKey("OSK0"), Value("ab"));  // hidden keys answer by name
  EXPECT_EQ(smc.typeCodeForPropertyWithKey("FNum"), "ui8 ");
  EXPECT_EQ(smc.precisionForPropertyWithKey("TC0D"), 0.00390625);
  EXPECT_EQ(smc.precisionForPropertyWithKey("ACIC"), 0.0);
  EXPECT_EQ(smc.precisionForPropertyWithKey("ZZ99"), -1.0);
  EXPECT_EQ(smc.precisionForPropertyWithKey("NONE"), -1.0);
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("EMTY"));

  std::uint64_t before = smcCalls();  // keys of another length cost no kernel call
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("TC0"));
  EXPECT_EQ(smc.precisionForPropertyWithKey("TC0"), -1.0);
  EXPECT_EQ(smcCalls(), before);

  os::CapturedLog log;
  EXPECT_FALSE(smc.objectValueForPropertyWithKey("ACCL"));
  EXPECT_TRUE(log.contains("TKSSystemManagementController: function call failed with error -536870212\n"));
}

TEST_F(SMCClient, listingSkipsHiddenKeysAndIndexesBeyondTheKeysAndNeedsAReadableCount) {
  const std::tuple<const char*, Value, std::vector<std::string>> kCases[] = {  // fault, first key, listed keys
      {"a hidden key", smcKey("OSK0", "ch8*", {'a'}, SMCKeyFlag::Hidden), {"#KEY", "TC0D"}},
      {"a count beyond the keys", smcKey("#KEY", "ui32", {0, 0, 0, 4}), {"#KEY", "TC0D"}},
      {"an unreadable count", smcKey("#KEY", "ui32", {0, 0, 0, 2}, SMCKeyFlag::Fail), {}},
  };
  expectLogMessage(kMissingKeyLog);  // the indexes beyond the keys
  expectLogMessage(kFailedReadLog);  // the unreadable count
  for (const auto& [fault, countOrHidden, listed] : kCases) {
    Controller& smc = controllerWith({countOrHidden, smcKey("TC0D", "sp78", kDiode45)});
    EXPECT_EQ(smc.allPropertyKeys(), listed) << fault;
  }
}

TEST_F(SMCClient, anAbsurdKeyCountDoesNotHangTheHost) {
  // A count in a signed type reads as its unsigned value: -1 is the largest count, not none.
  for (const Value& count : {smcKey("#KEY", "ui32", {0xFF, 0xFF, 0xFF, 0xFF}), smcKey("#KEY", "si8 ", {0xFF})}) {
    Controller& smc = controllerWith({count, smcKey("TC0D", "sp78", kDiode45)});
    os::CapturedLog log;
    std::uint64_t before = sim::SMCUserClient::lastConnectionCounts().readIndex;
    EXPECT_EQ(smc.allPropertyKeys().size(), 2u);
    EXPECT_EQ(sim::SMCUserClient::lastConnectionCounts().readIndex - before, Controller::kMaximumKeyCount);
    EXPECT_TRUE(log.contains("TKSSystemManagementController: the controller reports 4294967295 keys; listing only the "
                             "first 4096\n"));
  }
}

TEST_F(SMCClient, aMissCostsTwoCallsAndAValueUpToItsExpiryNone) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("TB0T", "sp78", kDiode45)});
  std::uint64_t start = smcCalls();
  // 0 s, 0.5 s, exactly the expiry time (1 s) after the store, then 1.5 s.
  for (std::uint64_t expectedCalls : {2u, 2u, 2u, 4u}) {
    smc.objectValueForPropertyWithKey("TB0T");
    EXPECT_EQ(smcCalls() - start, expectedCalls) << clock_.now();
    clock_.advance(0.5);
  }
}

TEST_F(SMCClient, theKeyListIsWalkedAgainOnlyOnceTheCountHasLeftTheCache) {
  Controller& smc = controllerWith({smcKey("TC0D", "sp78", kDiode45), smcKey("TB0T", "sp78", kDiode45)});
  const std::vector<std::string> listed{"#KEY", "TC0D", "TB0T"};
  auto callsForListing = [&] {
    std::uint64_t before = smcCalls();
    EXPECT_EQ(smc.allPropertyKeys(), listed) << clock_.now();
    return smcCalls() - before;
  };
  EXPECT_EQ(callsForListing(), 2 + 3u) << "the count, then one call per index";
  clock_.advance(1.0);
  EXPECT_EQ(callsForListing(), 0u) << "a count still cached keeps its list";
  clock_.advance(0.5);
  EXPECT_EQ(callsForListing(), 2 + 3u) << "an expired count is read and the keys walked again";
  clock_.advance(1.5);
  smc.objectValueForPropertyWithKey("#KEY");  // another reader refreshes the count
  EXPECT_EQ(callsForListing(), 0u) << "the same count read anew keeps its list";
}

// What an expiry time costs in calls shows above; here which policy sets which time.
TEST(SMCCachedValue, accessPoliciesSetTheExpiryTimeNonPositiveTimesAreIgnoredAndANeverStoredValueIsInvalid) {
  for (const auto& [policy, expiry] : {std::pair{2, 60.0}, {1, 10.0}, {7, 1.0}}) {
    Controller::setAccessPolicy(policy);
    EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), expiry) << policy;
  }
  TKSSMCCachedValue::setCacheExpireTime(0.75);
  for (double ignored : {0.0, -5.0, std::nan("")}) TKSSMCCachedValue::setCacheExpireTime(ignored);
  EXPECT_EQ(TKSSMCCachedValue::cacheExpireTime(), 0.75);
  TKSSMCCachedValue::setCacheExpireTime(1.0);
  os::ManualClock clock(0.5);
  EXPECT_FALSE(TKSSMCCachedValue().isValid());
}

TEST_F(SMCClient, theLowAccessRateIsRecommendedOnlyWhenThePlatformPluginHasAChild) {
  EXPECT_FALSE(Controller::isLowAccessRatePolicyRecommended());
  install(ProfileBuilder().entry("ACPI_SMC_PlatformPlugin"));
  EXPECT_FALSE(Controller::isLowAccessRatePolicyRecommended());
  install(ProfileBuilder().entry("ACPI_SMC_PlatformPlugin").child("IOPMrootDomain"));
  EXPECT_TRUE(Controller::isLowAccessRatePolicyRecommended());
}

}  // namespace
}  // namespace sw::test
