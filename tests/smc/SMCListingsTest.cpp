// Controller key listings: reading them into profile key lists, and every real listing kept in
// fixtures/: it loads as a simulated controller, discovery runs through all of its keys, and the
// sensors that come out are those its model's key tables call for, from the built-in profiles
// made from the same listings too.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/Clock.h"
#include "sim/SMCListing.h"
#include "smc/SMCTestMachine.h"
#include "smc/TKSSMCElectricSensor.h"
#include "smc/TKSSMCFanSensor.h"
#include "smc/TKSSMCLightSensor.h"
#include "smc/TKSSMCTemperatureSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

constexpr const char* kListing =
    "OS X 10.9.5 (13F1911) Some machine\n"
    "Public keys (3):\n"
    "[#KEY] type [ui32] 75693332 len [ 4] attr [80] -> 00000003\n"
    "[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D80\n"
    "[ACCL] type [ui8 ] 75693820 len [ 1] attr [50] -> NOT READABLE, code 85\n"
    "\n"
    "Hidden keys (?):\n"
    "[KPST] type [ui8?] 75693800 len [ 1] attr [C0] -> 00\n"
    "[KPPW] type [ch8*] 6368382A len [16] attr [50] -> NOT READABLE";

TEST(SMCListing, publicUnreadableAndHiddenKeysBecomeKeyDictionaries) {
  std::string error;
  auto keys = sim::parseSMCListing(kListing, &error);
  ASSERT_TRUE(keys) << error;
  Array entries = sim::smcKeysFromListing(*keys, sim::SMCListingSignals::None);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1], smcKey("TC0D", "sp78", {0x2D, 0x80}));
  EXPECT_EQ(entries[2], smcKey("ACCL", "ui8 ", {0}, SMCKeyFlag::Fail));  // zero bytes of the listed size
  EXPECT_EQ(*entries[3].find("Type")->asData(), (Data{'u', 'i', '8', 0}));  // the hex column, not the printed name
  EXPECT_EQ(entries[3].find("Hidden")->asBoolean(), true);

  entries = sim::smcKeysFromListing(*keys, sim::SMCListingSignals::Added);
  ASSERT_NE(entries[1].find("Signal"), nullptr);
  EXPECT_EQ(entries[1].find("Signal")->find("Base")->asReal(), 45.5);  // around the listed value
  EXPECT_EQ(entries[0].find("Signal"), nullptr);  // the key count never moves
  EXPECT_EQ(entries[2].find("Signal"), nullptr);  // nor does an unreadable key
}

TEST(SMCListing, malformedLinesAreRefusedWithTheirLineNumber) {
  struct Case {
    const char* line;
    const char* reason;
  };
  for (const Case& test : {Case{"[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D", "line 2: the bytes do not match the listed size"},
                           Case{"[TC0D] type [sp78] 73703738 len [33] attr [C0] -> 00", "line 2: a data size above 32"},
                           Case{"[TC0D] type [sp78] 7370373 len [ 2] attr [C0] -> 2D80", "line 2: not a key line"},
                           Case{"[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D80\n"
                                "[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2E00",
                                "line 3: key \"TC0D\" is listed twice"}}) {
    std::string error;
    EXPECT_FALSE(sim::parseSMCListing(std::string("Public keys (1):\n") + test.line + "\n", &error)) << test.line;
    EXPECT_EQ(error, test.reason);
  }
}

struct RealMachine {
  const char* model;
  unsigned packages;
  std::size_t temperatures, electric, fans, lights;
  const char* someLocation;  // one sensor that must be there
  bool builtIn;              // a built-in profile was made from this listing
};

const RealMachine kRealMachines[] = {
    {"MacBook6,1", 1, 13, 15, 1, 0, "SMC CPU A DIODE", false},
    {"MacBook7,1", 1, 11, 15, 1, 0, "SMC CPU A DIODE", false},
    {"MacBookAir5,2", 1, 11, 18, 1, 1, "SMC CPU A DIODE", true},
    {"MacBookPro5,1", 1, 14, 16, 2, 1, "SMC CPU A DIODE", false},
    {"MacBookPro5,3", 1, 12, 21, 2, 1, "SMC CPU A DIODE", false},
    {"MacBookPro5,5", 1, 10, 16, 1, 0, "SMC CPU A DIODE", true},
    {"MacBookPro7,1", 1, 10, 14, 1, 1, "SMC CPU A DIODE", false},
    {"MacBookPro8,1", 1, 9, 6, 1, 1, "SMC CPU A DIODE", true},
    {"MacBookPro9,2", 1, 9, 16, 1, 0, "SMC CPU A PROXIMITY", false},
    {"MacBookPro10,1", 1, 13, 29, 2, 1, "SMC FAN Left side", false},
    {"MacBookPro10,2", 1, 12, 20, 2, 1, "SMC FAN Right Side", false},
    {"MacPro5,1", 2, 33, 12, 3, 0, "SMC CPU B", true},
    {"iMac11,2", 1, 11, 6, 3, 0, "SMC AMBIENT AIR", false},
    {"iMac13,1", 1, 5, 6, 1, 1, "SMC CPU A PROXIMITY", false},
    {"iMac13,2", 1, 9, 6, 1, 1, "SMC FAN Main", true},
};

std::vector<sim::SMCListingKey> listingOf(const std::string& model) {
  // A compiler cache may record this file's path relative to the build tree; the test runner
  // names the source tree.
  const char* sourceDir = std::getenv("SW_SOURCE_DIR");
  const std::filesystem::path folder = sourceDir != nullptr ? std::filesystem::path(sourceDir) / "tests" / "smc"
                                                            : std::filesystem::path(__FILE__).parent_path();
  std::ifstream file(folder / "fixtures" / (model + ".txt"), std::ios::binary);
  EXPECT_TRUE(file) << "no listing of " << model << " in " << folder;
  std::stringstream text;
  text << file.rdbuf();
  std::string error;
  auto keys = sim::parseSMCListing(text.str(), &error);
  EXPECT_TRUE(keys) << model << ": " << error;
  return keys.value_or(std::vector<sim::SMCListingKey>{});
}

class SMCRealMachines : public SimulatedMachineTest {
 protected:
  /// Runs discovery on the installed machine: the counts of temperature, electric, fan and light
  /// sensors, after checking that every sensor reads and one has the given location.
  std::array<std::size_t, 4> discover(const std::string& someLocation) {
    const SensorList found[] = {TKSSMCTemperatureSensor::allSensors(), TKSSMCElectricSensor::allSensors(),
                                TKSSMCFanSensor::allSensors(), TKSSMCLightSensor::allSensors()};
    bool located = false;
    for (const SensorList& list : found) {
      for (const auto& sensor : list) {
        EXPECT_NE(sensor->rawValue(), -1) << sensor->locationIdentifier();
        located = located || sensor->locationIdentifier() == someLocation;
      }
    }
    EXPECT_TRUE(located) << someLocation;
    return {found[0].size(), found[1].size(), found[2].size(), found[3].size()};
  }
  os::ManualClock clock_;
};

// A built-in profile made from a listing must give the same sensors; one left behind when its
// listing changed would not.
TEST_F(SMCRealMachines, discoveryFindsTheSensorsTheKeyTablesCallForAndTheBuiltInProfilesAgree) {
  expectLogMessage(kMissingKeyLog);  // the client's check of the CPU diode on machines without TC0D
  for (const RealMachine& machine : kRealMachines) {
    SCOPED_TRACE(machine.model);
    install(smcMachine(sim::smcKeysFromListing(listingOf(machine.model), sim::SMCListingSignals::None), machine.model)
                .sysctl("hw.packages", machine.packages));
    const std::array<std::size_t, 4> expected{machine.temperatures, machine.electric, machine.fans, machine.lights};
    EXPECT_EQ(discover(machine.someLocation), expected);
    if (machine.builtIn) {
      installBuiltIn(machine.model);
      EXPECT_EQ(discover(machine.someLocation), expected) << "regenerate the profiles with scripts/import-smc-profiles.sh";
    }
  }
}

}  // namespace
}  // namespace sw::test
