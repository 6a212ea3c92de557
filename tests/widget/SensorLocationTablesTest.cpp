// The plug-in's string tables name every location a sensor can report, in English and German.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "foundation/EmbeddedFiles.h"
#include "os/Bundle.h"
#include "sensors/TKSSensor.h"
#include "sim/BuiltInProfiles.h"
#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCTemperatureKeyTable.h"
#include "widget/SensorClassLoading.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

Dictionary tableOf(const std::string& path) {
  const auto bytes = embedded::file(path);
  if (!bytes) ADD_FAILURE() << path << " is not embedded";
  const auto table = bytes ? os::parseStringsFile(*bytes) : std::nullopt;
  if (bytes && !table) ADD_FAILURE() << path << " does not parse";
  return table.value_or(Dictionary{});
}

class LocationTables : public WidgetTestMachine {
 protected:
  /// Every location must lead to a display name that both languages translate.
  void expectNamed(const std::set<std::string>& locations, const std::string& source) {
    for (const auto& location : locations) {
      auto entry = locations_.find(location);
      if (entry == locations_.end()) {
        ADD_FAILURE() << source << ": no entry for \"" << location << "\"";
        continue;
      }
      const std::string& displayKey = *entry->second.asString();
      EXPECT_TRUE(english_.count(displayKey)) << location << " -> " << displayKey << " has no English name";
      EXPECT_TRUE(german_.count(displayKey)) << location << " -> " << displayKey << " has no German name";
    }
  }

  const Dictionary locations_ = tableOf("resources/Plugin/en.lproj/SensorLocations.strings");
  const Dictionary english_ = tableOf("resources/Plugin/en.lproj/Localizable.strings");
  const Dictionary german_ = tableOf("resources/Plugin/de.lproj/Localizable.strings");
};

const std::string kKeyCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

template <typename Lookup>
std::set<std::string> locationsOfAllKeys(char first, Lookup lookup) {
  std::set<std::string> locations;
  std::string key = {first, ' ', ' ', ' '};
  for (char k : kKeyCharacters) {
    key[1] = k;
    for (char d : kKeyCharacters) {
      key[2] = d;
      for (char s : kKeyCharacters) {
        key[3] = s;
        if (auto location = lookup(key)) locations.insert(std::move(*location));
      }
    }
  }
  return locations;
}

TEST_F(LocationTables, EverySMCKeyOfEveryModelFamilyIsNamed) {
  for (const char* model : {"MacBookPro5,5", "Xserve3,1", "MacPro5,1", "Macmini5,1"}) {
    expectNamed(locationsOfAllKeys('T', [&](const std::string& key) { return smc::temperatureLocationForKey(key, model); }),
                std::string("temperature keys on ") + model);
  }
  for (unsigned packages : {1u, 2u}) {
    expectNamed(locationsOfAllKeys('V', [&](const std::string& key) {
                  return smc::electricLocationForKey(key, "iMac12,1", packages);
                }),
                "electric keys with " + std::to_string(packages) + " packages");
  }
}

TEST_F(LocationTables, EverySensorOfEveryBuiltInProfileIsNamed) {
  for (const auto& profile : sim::builtInProfiles()) {
    auto loaded = sim::SimulatedMachine::loadBuiltIn(profile.name);
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<sim::SimulatedMachine>>(loaded)) << profile.name;
    resetProcessState();
    os::setCurrentMachine(std::get<std::shared_ptr<sim::SimulatedMachine>>(loaded));
    registerSensorClasses();
    std::set<std::string> locations;
    for (const auto& sensor : TKSSensor::allSensors()) locations.insert(sensor->locationIdentifier());
    expectNamed(locations, profile.name);
  }
}

}  // namespace
}  // namespace sw::test
