// Version numbers read from texts: the packed system version code and the kernel's version number.
#include <gtest/gtest.h>

#include <limits>

#include "system/NSProcessInfoTKSAdditions.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

struct PackedVersion {
  const char* versionNumber;
  std::int32_t code;
};

class VersionCodePacking : public ::testing::TestWithParam<PackedVersion> {};

TEST_P(VersionCodePacking, PacksMajorAsTwoDigitsAndAddsMinorAndThirdUnlimited) {
  EXPECT_EQ(NSProcessInfoTKSAdditions::versionCodeForVersionNumber(GetParam().versionNumber), GetParam().code)
      << GetParam().versionNumber;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionCodePacking,
    ::testing::Values(PackedVersion{"10.6.8", 0x1068}, PackedVersion{"10.5", 0x1050},
                      PackedVersion{"10.4.11", 0x104B}, PackedVersion{"10", 0x1000},
                      PackedVersion{"10.7.5 (beta)", 0x1075},
                      // A minor number above 9 spills into the major digits, as the packing always did.
                      PackedVersion{"10.10.1", 0x10A1},
                      PackedVersion{"Mac OS X", 0x1000}, PackedVersion{"", 0x1000}, PackedVersion{"9.2.2", 0x0922},
                      // Absurd numbers saturate instead of overflowing.
                      PackedVersion{"99999999999.99999999999.99999999999", std::numeric_limits<std::int32_t>::max()}));

struct KernelVersion {
  const char* kernelVersion;
  const char* number;
};

class KernelVersionNumber : public ::testing::TestWithParam<KernelVersion> {};

TEST_P(KernelVersionNumber, TakesTheTextFromTheFirstDigitAfterAPrefixUpToTheColon) {
  EXPECT_EQ(TKSMachineInfo::kernelVersionNumber(GetParam().kernelVersion), GetParam().number)
      << GetParam().kernelVersion;
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, KernelVersionNumber,
    ::testing::Values(
        KernelVersion{"Darwin Kernel Version 9.8.0: Wed Jul 15 16:55:01 PDT 2009; root:xnu-1228.15.4~1/RELEASE_I386",
                      "9.8.0"},
        KernelVersion{"Darwin Kernel Version 10.8.0", "10.8.0"},
        KernelVersion{"  \tDarwin 11.4.2:x", "11.4.2"},
        KernelVersion{"9.8.0: starts with its number", ""}, KernelVersion{"   9.8.0: after blanks", ""},
        KernelVersion{"no digits at all", ""}, KernelVersion{"", ""}));

}  // namespace
}  // namespace sw
