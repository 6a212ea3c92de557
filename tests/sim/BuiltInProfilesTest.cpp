// The built-in profiles: every one loads, and the default one describes its machine fully.
#include <gtest/gtest.h>

#include "sim/BuiltInProfiles.h"
#include "sim/SimulatedMachine.h"

namespace sw::sim {
namespace {

TEST(BuiltInProfiles, EveryBuiltInProfileLoadsAndHasAName) {
  std::vector<BuiltInProfile> profiles = builtInProfiles();
  ASSERT_GE(profiles.size(), 4u);
  for (const BuiltInProfile& profile : profiles) {
    SimulatedMachine::LoadResult result = SimulatedMachine::loadBuiltIn(profile.name);
    const std::string* problem = std::get_if<std::string>(&result);
    EXPECT_EQ(problem, nullptr) << *problem;
    EXPECT_FALSE(profile.profileName.empty()) << profile.name;
  }
}

TEST(BuiltInProfiles, TheDefaultProfileIsAmongThem) {
  std::vector<BuiltInProfile> profiles = builtInProfiles();
  auto found = std::find_if(profiles.begin(), profiles.end(),
                            [](const BuiltInProfile& profile) { return profile.name == kDefaultProfileName; });
  ASSERT_NE(found, profiles.end());
  EXPECT_EQ(found->profileName, "MacBook Pro 13-inch, Mid 2009");
}

TEST(BuiltInProfiles, AnUnknownNameIsRefusedWithItsName) {
  SimulatedMachine::LoadResult result = SimulatedMachine::loadBuiltIn("Macintosh128K");
  ASSERT_TRUE(std::holds_alternative<std::string>(result));
  EXPECT_EQ(std::get<std::string>(result), "Macintosh128K: no built-in profile has this name");
}

}  // namespace
}  // namespace sw::sim
