// Processor identification: item names and their bound, 8-bit results, out-pointers that are not
// asked for, and the package count with its derivation.
#include "cpu/TKSx86Info.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>

#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;

using X86Identification = test::SimulatedMachineTest;

TEST_F(X86Identification, DescribesTheProcessorItemByItemWithNilTextsAndZerosForMissingOrFailingItems) {
  installBuiltIn("MacBookPro5,5");
  EXPECT_EQ(TKSx86Info().description(),
            "Vendor code: 'GenuineIntel' Brand: 'Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz'\nFamily: 6 Model: 23 "
            "Stepping: 10 Signature: 67194 Cores per Package: 2 Units per Package: 2 Packages: 1 Physical Address "
            "Bits: 36 Virtual Address Bits: 48\n");
  std::uint8_t logicalUnits = 0;
  TKSx86Info().getCoresPerPackageLogicalUnitsPerPackage(nullptr, &logicalUnits);  // a missing out-pointer is skipped
  EXPECT_EQ(logicalUnits, 2);
  // A family and a package count wider than eight bits keep their low byte.
  install(ProfileBuilder().sysctl("machdep.cpu.family", 0x1206).sysctl("hw.packages", 258));
  EXPECT_EQ(TKSx86Info().description(),
            "Vendor code: '(null)' Brand: '(null)'\nFamily: 6 Model: 0 Stepping: 0 Signature: 0 Cores per Package: 0 "
            "Units per Package: 0 Packages: 2 Physical Address Bits: 0 Virtual Address Bits: 0\n");
}

TEST_F(X86Identification, ItemNamesAreCutAfter243Characters) {
  const std::string longest(243, 'x');
  install(ProfileBuilder().sysctl("machdep.cpu." + longest, 5));
  std::uint32_t value = 0;
  std::size_t size = sizeof value;
  EXPECT_EQ(TKSx86Info::readCPUItem((longest + "beyond the bound").c_str(), &value, &size), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(TKSx86Info::readCPUItem(std::string(242, 'x').c_str(), &value, &size), -1);
  errno = 0;
  EXPECT_EQ(TKSx86Info::readCPUItem(nullptr, &value, &size), -1);
  EXPECT_EQ(errno, EFAULT);
}

TEST_F(X86Identification, WithoutAKernelCountPackagesDivideTheCPUsByTheLargerPerPackageCount) {
  // One CPU in a 4-core package is still one package; per-package counts are 8-bit, 260 reads as 4;
  // 256 packages cut to eight bits would be none, and are one.
  for (const auto [cpus, cores, units, packages] : std::initializer_list<std::array<std::int64_t, 4>>{
           {8, 0, 0, 1}, {8, 4, 8, 1}, {8, 4, 4, 2}, {16, 8, 4, 2}, {1, 4, 4, 1}, {8, 260, 1, 2}, {256, 1, 1, 1}}) {
    install(ProfileBuilder()
                .sysctl("hw.ncpu", cpus)
                .sysctl("machdep.cpu.cores_per_package", cores)
                .sysctl("machdep.cpu.logical_per_package", units));
    EXPECT_EQ(TKSx86Info().numberOfChipPackages(), packages) << cpus << " CPUs, " << cores << " cores, " << units;
  }
}

}  // namespace
}  // namespace sw
