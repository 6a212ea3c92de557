// What a recording keeps of the machine's serial number and UUID.
#include <gtest/gtest.h>

#include "cli/MachineRecorder.h"

namespace sw::cli {
namespace {

TEST(SerialPlaceholder, KeepsPlantWeekAndModelButNotTheUniqueDigits) {
  const std::pair<const char*, const char*> cases[] = {
      {"W89251PE66E", "W892500066E"},    // 11 characters: PP Y WW SSS CCC
      {"C02HVABCDRV9", "C02HV000DRV9"},  // 12 characters: PPP Y W SSS CCCC
      {"00000000-0000-1000-8000-0023DF8C1A42", "00000000-0000-0000-0000-000000000000"},
      {"SN 12-ab", "XX 00-XX"},
      {"", ""},
  };
  for (const auto& [serial, placeholder] : cases) EXPECT_EQ(serialPlaceholder(serial), placeholder) << serial;
}

}  // namespace
}  // namespace sw::cli
