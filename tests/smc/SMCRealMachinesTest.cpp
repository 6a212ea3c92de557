// Every real controller listing kept in fixtures/: it loads as a simulated controller, discovery
// runs through all of its keys, and the sensors that come out are those its model's key tables
// call for. The built-in profiles made from the same listings must give the same sensors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/EmbeddedFiles.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Clock.h"
#include "smc/SMCListing.h"
#include "smc/SMCTestMachine.h"
#include "smc/TKSSMCElectricSensor.h"
#include "smc/TKSSMCFanSensor.h"
#include "smc/TKSSMCLightSensor.h"
#include "smc/TKSSMCTemperatureSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

struct RealMachine {
  const char* model;
  unsigned packages;
  std::size_t temperatures;
  std::size_t electric;
  std::size_t fans;
  std::size_t lights;
  const char* someLocation;  // one sensor that must be there
};

void PrintTo(const RealMachine& machine, std::ostream* out) { *out << machine.model; }

std::string fixtureText(const std::string& model) {
  std::filesystem::path path = std::filesystem::path(__FILE__).parent_path() / "fixtures" / (model + ".txt");
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

struct Discovered {
  SensorList temperatures, electric, fans, lights;

  static Discovered now() {
    return {TKSSMCTemperatureSensor::allSensors(), TKSSMCElectricSensor::allSensors(), TKSSMCFanSensor::allSensors(),
            TKSSMCLightSensor::allSensors()};
  }
  std::vector<std::string> identifiers() const {
    std::vector<std::string> all;
    for (const SensorList* list : {&temperatures, &electric, &fans, &lights}) {
      for (const auto& sensor : *list) all.push_back(sensor->uniqueIdentifier() + " " + sensor->locationIdentifier());
    }
    return all;
  }
};

class SMCRealMachines : public SimulatedMachineTest, public ::testing::WithParamInterface<RealMachine> {
 protected:
  Discovered discoverListing() {
    const RealMachine& machine = GetParam();
    std::string error;
    auto keys = smc::parseSMCListing(fixtureText(machine.model), &error);
    EXPECT_TRUE(keys) << error;
    if (!keys) return {};
    install(smcMachine(smc::smcKeysFromListing(*keys, smc::SMCListingSignals::None), machine.model)
                .sysctl("hw.packages", machine.packages));
    return Discovered::now();
  }

  os::ManualClock clock_;
};

TEST_P(SMCRealMachines, discoveryFindsTheSensorsTheKeyTablesCallFor) {
  const RealMachine& machine = GetParam();
  Discovered found = discoverListing();
  EXPECT_EQ(found.temperatures.size(), machine.temperatures);
  EXPECT_EQ(found.electric.size(), machine.electric);
  EXPECT_EQ(found.fans.size(), machine.fans);
  EXPECT_EQ(found.lights.size(), machine.lights);
  std::vector<std::string> all = found.identifiers();
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const std::string& text) { return text.ends_with(machine.someLocation); }))
      << machine.someLocation << " among " << ::testing::PrintToString(all);
  for (const SensorList* list : {&found.temperatures, &found.electric, &found.fans, &found.lights}) {
    for (const auto& sensor : *list) EXPECT_NE(sensor->rawValue(), -1) << sensor->locationIdentifier();
  }
}

class SMCBuiltInProfiles : public SMCRealMachines {};

/// The first @SMCKeys array in a profile's registry tree.
const Value* smcKeysIn(const Value& entry) {
  if (const Value* keys = entry.find("@SMCKeys")) return keys;
  for (const char* children : {"IORegistry", "IORegistryEntryChildren"}) {
    const Value* below = entry.find(children);
    if (below == nullptr) continue;
    if (below->asDictionary()) return smcKeysIn(*below);
    if (below->asArray() == nullptr) continue;
    for (const Value& child : *below->asArray()) {
      if (const Value* keys = smcKeysIn(child)) return keys;
    }
  }
  return nullptr;
}

TEST_P(SMCBuiltInProfiles, holdEveryKeyTypeAndByteOfTheirListing) {
  std::optional<std::string_view> file = embedded::file("profiles/" + std::string(GetParam().model) + ".plist");
  ASSERT_TRUE(file);
  std::optional<Value> profile = PropertyListSerialization::propertyListFromData(*file);
  ASSERT_TRUE(profile);
  const Value* keys = smcKeysIn(*profile);
  ASSERT_NE(keys, nullptr);
  auto listing = smc::parseSMCListing(fixtureText(GetParam().model), nullptr);
  ASSERT_TRUE(listing);
  Array expected = smc::smcKeysFromListing(*listing, smc::SMCListingSignals::Added);
  const Array* stored = keys->asArray();
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored->size(), expected.size()) << "regenerate the profiles with scripts/import-smc-profiles.sh";
  for (std::size_t index = 0; index < expected.size(); ++index) {
    ASSERT_EQ((*stored)[index], expected[index]) << "key " << index << ": " << (*stored)[index].description() << " <> "
                                                  << expected[index].description();
  }
}

TEST_P(SMCBuiltInProfiles, giveTheSensorsOfTheirListing) {
  std::vector<std::string> fromListing = discoverListing().identifiers();
  installBuiltIn(GetParam().model);
  EXPECT_EQ(Discovered::now().identifiers(), fromListing);
}

const RealMachine kRealMachines[] = {
    RealMachine{"MacBook6,1", 1, 13, 15, 1, 0, "SMC CPU A DIODE"},
    RealMachine{"MacBook7,1", 1, 11, 15, 1, 0, "SMC CPU A DIODE"},
    RealMachine{"MacBookAir5,2", 1, 11, 18, 1, 1, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro5,1", 1, 14, 16, 2, 1, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro5,3", 1, 12, 21, 2, 1, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro5,5", 1, 10, 16, 1, 0, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro7,1", 1, 10, 14, 1, 1, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro8,1", 1, 9, 6, 1, 1, "SMC CPU A DIODE"},
    RealMachine{"MacBookPro9,2", 1, 9, 16, 1, 0, "SMC CPU A PROXIMITY"},
    RealMachine{"MacBookPro10,1", 1, 13, 29, 2, 1, "SMC FAN Left side"},
    RealMachine{"MacBookPro10,2", 1, 12, 20, 2, 1, "SMC FAN Right Side"},
    RealMachine{"MacPro5,1", 2, 33, 12, 3, 0, "SMC CPU B"},
    RealMachine{"iMac11,2", 1, 11, 6, 3, 0, "SMC AMBIENT AIR"},
    RealMachine{"iMac13,1", 1, 5, 6, 1, 1, "SMC CPU A PROXIMITY"},
    RealMachine{"iMac13,2", 1, 9, 6, 1, 1, "SMC FAN Main"},
};

std::string modelName(const ::testing::TestParamInfo<RealMachine>& info) {
  std::string name = info.param.model;
  std::replace(name.begin(), name.end(), ',', '_');
  return name;
}

std::vector<RealMachine> builtInMachines() {
  std::vector<RealMachine> machines;
  for (const RealMachine& machine : kRealMachines) {
    for (std::string_view builtIn : {"MacBookPro5,5", "MacBookPro8,1", "iMac13,2", "MacBookAir5,2", "MacPro5,1"}) {
      if (machine.model == builtIn) machines.push_back(machine);
    }
  }
  return machines;
}

INSTANTIATE_TEST_SUITE_P(Listings, SMCRealMachines, ::testing::ValuesIn(kRealMachines), modelName);
INSTANTIATE_TEST_SUITE_P(Profiles, SMCBuiltInProfiles, ::testing::ValuesIn(builtInMachines()), modelName);

}  // namespace
}  // namespace sw::test
