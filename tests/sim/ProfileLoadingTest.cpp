// Loading machine profiles: what is accepted and the exact refusals.
#include <gtest/gtest.h>

#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::sim {
namespace {

using test::ProfileBuilder;

std::string refusalOf(const Value& profile) {
  SimulatedMachine::LoadResult result = SimulatedMachine::load(profile, "broken.plist");
  if (auto* problem = std::get_if<std::string>(&result)) return *problem;
  return "(loaded)";
}

TEST(ProfileLoading, TheDefaultTestProfileLoads) {
  EXPECT_EQ(refusalOf(ProfileBuilder().build()), "(loaded)");
}

}  // namespace
}  // namespace sw::sim
