// Version numbers read from texts: the packed system version code and the kernel's version number.
#include <gtest/gtest.h>

#include <limits>

#include "system/NSProcessInfoTKSAdditions.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

TEST(VersionCode, PacksMajorAsTwoDigitsAddsMinorAndThirdUnlimitedAndSaturates) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"10.6.8", 0x1068}, {"10.5", 0x1050}, {"10.4.11", 0x104B}, {"10", 0x1000}, {"10.7.5 (beta)", 0x1075},
      {"10.10.1", 0x10A1},  // a minor number above 9 spills into the major digits, as the packing always did
      {"Mac OS X", 0x1000}, {"", 0x1000}, {"9.2.2", 0x0922},
      {"99999999999.99999999999.99999999999", std::numeric_limits<std::int32_t>::max()}};
  for (const auto& [text, code] : cases) {
    EXPECT_EQ(NSProcessInfoTKSAdditions::versionCodeForVersionNumber(text), code) << text;
  }
}

TEST(KernelVersionNumber, TakesTheTextFromTheFirstDigitAfterAPrefixUpToTheColon) {
  const std::pair<const char*, const char*> cases[] = {
      {"Darwin Kernel Version 9.8.0: Wed Jul 15 16:55:01 PDT 2009; root:xnu-1228.15.4~1/RELEASE_I386", "9.8.0"},
      {"Darwin Kernel Version 10.8.0", "10.8.0"}, {"  \tDarwin 11.4.2:x", "11.4.2"},
      {"9.8.0: starts with its number", ""}, {"   9.8.0: after blanks", ""}, {"no digits at all", ""}, {"", ""}};
  for (const auto& [text, number] : cases) EXPECT_EQ(TKSMachineInfo::kernelVersionNumber(text), number) << text;
}

}  // namespace
}  // namespace sw
