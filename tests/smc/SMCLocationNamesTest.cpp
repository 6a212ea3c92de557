// Every location the SMC key tables can give must have an English and a German name in the
// plug-in's string tables; otherwise a machine that is not built in shows raw identifiers.
#include <gtest/gtest.h>

#include <set>

#include "support/EmbeddedStringTable.h"
#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCLocationNames.h"
#include "smc/SMCTemperatureKeyTable.h"

namespace sw::smc {
namespace {

std::string entry(const Dictionary& table, const std::string& key) {
  const auto found = table.find(key);
  const std::string* text = found == table.end() ? nullptr : found->second.asString();
  return text ? *text : std::string();
}

class SMCLocationNames : public ::testing::Test {
 protected:
  /// The English name of an identifier, after checking both languages translate it.
  std::string checkedName(const std::string& identifier) {
    const std::string english = entry(locations_, identifier);
    if (english.empty()) {
      ADD_FAILURE() << "no name for \"" << identifier << "\"";
    } else {
      EXPECT_FALSE(entry(english_, english).empty()) << english << " has no English text";
      EXPECT_FALSE(entry(german_, english).empty()) << english << " has no German text";
    }
    return english;
  }

  const Dictionary locations_ = test::embeddedStringTable("resources/Plugin/en.lproj/SensorLocations.strings");
  const Dictionary english_ = test::embeddedStringTable("resources/Plugin/en.lproj/Localizable.strings");
  const Dictionary german_ = test::embeddedStringTable("resources/Plugin/de.lproj/Localizable.strings");
};

// Walks the tables through their public lookups, independently of the walk that writes the
// names, on one machine of each model rule and one that no rule names.
TEST_F(SMCLocationNames, EveryKeyOnEveryModelRuleHasAnEnglishAndAGermanName) {
  const std::string_view characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const char* const models[] = {"iMac11,2",  "iMac13,2",  "MacBook7,1", "MacBookPro8,1", "MacPro4,1",
                                "MacPro5,1", "Macmini5,1", "Xserve3,1", ""};
  std::set<std::string> seen;
  const auto check = [&](const std::optional<std::string>& location) {
    if (location && seen.insert(*location).second) checkedName(*location);
  };
  std::string key = "T???";
  for (char k : characters) {
    key[1] = k;
    for (char d : characters) {
      key[2] = d;
      for (char s : characters) {
        key[3] = s;
        for (const char* model : models) {
          key[0] = 'T';
          check(temperatureLocationForKey(key, model));
          key[0] = 'V';
          for (unsigned packages : {1u, 4u}) check(electricLocationForKey(key, model, packages));
        }
      }
    }
  }
  EXPECT_GT(seen.size(), 1000u) << "the walk reached too few locations";
}

TEST_F(SMCLocationNames, TheCommittedTablesHoldExactlyTheNamesTheKeyTablesGive) {
  std::set<std::string> generated;
  for (const SMCLocationName& name : allSMCLocationNames()) {
    EXPECT_TRUE(generated.insert(name.identifier).second) << name.identifier << " listed twice";
    EXPECT_FALSE(name.english.empty() || name.german.empty()) << "src/smc/SMCLocationNames.cpp does not name "
                                                              << name.identifier;
    EXPECT_EQ(checkedName(name.identifier), name.english) << name.identifier;
    EXPECT_EQ(entry(german_, name.english), name.german) << name.identifier;
  }
  for (const auto& [identifier, english] : locations_) {
    if (identifier.starts_with("SMC ") || identifier.starts_with("SMB ")) {
      EXPECT_TRUE(generated.contains(identifier)) << identifier << " is no longer given by the key tables";
    }
  }
}

}  // namespace
}  // namespace sw::smc
