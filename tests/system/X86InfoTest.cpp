// Processor identification: item names and their bound, 8-bit results, out-pointers that are not
// asked for, and the package count with its derivation.
#include "cpu/TKSx86Info.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "InterceptingMachine.h"
#include "foundation/ProcessState.h"

namespace sw {
namespace {

using test::InterceptingMachine;
using test::ProfileBuilder;

ProfileBuilder penrynMachine() {
  return std::move(ProfileBuilder()
                       .sysctl("machdep.cpu.vendor", "GenuineIntel")
                       .sysctl("machdep.cpu.brand_string", "Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz")
                       .sysctl("machdep.cpu.family", 6)
                       .sysctl("machdep.cpu.model", 23)
                       .sysctl("machdep.cpu.stepping", 10)
                       .sysctl("machdep.cpu.signature", 67194)
                       .sysctl("machdep.cpu.cores_per_package", 2)
                       .sysctl("machdep.cpu.logical_per_package", 2)
                       .sysctl("machdep.cpu.address_bits.physical", 36)
                       .sysctl("machdep.cpu.address_bits.virtual", 48)
                       .sysctl("hw.packages", 1));
}

class X86Identification : public ::testing::Test {
 protected:
  void TearDown() override { resetProcessState(); }
  TKSx86Info cpu_;
};

TEST_F(X86Identification, DescribesTheProcessorItemByItem) {
  InterceptingMachine::install(penrynMachine());
  EXPECT_EQ(cpu_.description(),
            "Vendor code: 'GenuineIntel' Brand: 'Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz'\nFamily: 6 Model: 23 "
            "Stepping: 10 Signature: 67194 Cores per Package: 2 Units per Package: 2 Packages: 1 Physical Address "
            "Bits: 36 Virtual Address Bits: 48\n");
}

TEST_F(X86Identification, AKernelWithoutProcessorItemsGivesNilTextsAndZeros) {
  InterceptingMachine::install(ProfileBuilder().sysctl("hw.ncpu", 1));
  EXPECT_EQ(cpu_.cpuVendor(), std::nullopt);
  EXPECT_EQ(cpu_.cpuSignature(), 0u);
  EXPECT_EQ(cpu_.description(),
            "Vendor code: '(null)' Brand: '(null)'\nFamily: 0 Model: 0 Stepping: 0 Signature: 0 Cores per Package: 0 "
            "Units per Package: 0 Packages: 1 Physical Address Bits: 0 Virtual Address Bits: 0\n");
}

TEST_F(X86Identification, ValuesWiderThanEightBitsKeepTheirLowByte) {
  InterceptingMachine::install(penrynMachine().sysctl("machdep.cpu.family", 0x1234).sysctl("hw.packages", 258));
  EXPECT_EQ(cpu_.cpuFamily(), 0x34);
  EXPECT_EQ(cpu_.numberOfChipPackages(), 2);
}

TEST_F(X86Identification, OnlyTheItemsAskedForAreRead) {
  const auto machine = InterceptingMachine::install(penrynMachine());
  std::uint8_t logicalUnits = 0;
  cpu_.getCoresPerPackageLogicalUnitsPerPackage(nullptr, &logicalUnits);
  EXPECT_EQ(logicalUnits, 2);
  EXPECT_EQ(machine->namesAskedFor, std::vector<std::string>{"machdep.cpu.logical_per_package"});
}

TEST_F(X86Identification, AFailingItemStoresZeroAndDoesNotStopTheOther) {
  InterceptingMachine::install(penrynMachine().removeSysctl("machdep.cpu.address_bits.physical"));
  std::uint8_t physical = 77;
  std::uint8_t virtualBits = 77;
  cpu_.getAddressBitsPhysicalVirtual(&physical, &virtualBits);
  EXPECT_EQ(physical, 0);
  EXPECT_EQ(virtualBits, 48);
}

TEST_F(X86Identification, ItemNamesAreCutAfter243Characters) {
  const std::string longest(243, 'x');
  InterceptingMachine::install(ProfileBuilder().sysctl("machdep.cpu." + longest, 5));
  std::uint32_t value = 0;
  std::size_t size = sizeof value;
  EXPECT_EQ(TKSx86Info::readCPUItem((longest + "beyond the bound").c_str(), &value, &size), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(TKSx86Info::readCPUItem(std::string(242, 'x').c_str(), &value, &size), -1);
  errno = 0;
  EXPECT_EQ(TKSx86Info::readCPUItem(nullptr, &value, &size), -1);
  EXPECT_EQ(errno, EFAULT);
}

struct PackageDerivation {
  std::int64_t cpus;
  std::int64_t cores;
  std::int64_t logicalUnits;
  std::uint8_t packages;
};

class ChipPackagesWithoutKernelCount : public X86Identification,
                                       public ::testing::WithParamInterface<PackageDerivation> {};

TEST_P(ChipPackagesWithoutKernelCount, DivideTheCPUsByTheLargerPerPackageCount) {
  const PackageDerivation& d = GetParam();
  InterceptingMachine::install(ProfileBuilder()
                                   .sysctl("hw.ncpu", d.cpus)
                                   .sysctl("machdep.cpu.cores_per_package", d.cores)
                                   .sysctl("machdep.cpu.logical_per_package", d.logicalUnits));
  EXPECT_EQ(cpu_.numberOfChipPackages(), d.packages);
}

INSTANTIATE_TEST_SUITE_P(Derivations, ChipPackagesWithoutKernelCount,
                         ::testing::Values(PackageDerivation{8, 0, 0, 1}, PackageDerivation{8, 4, 8, 1},
                                           PackageDerivation{8, 4, 4, 2}, PackageDerivation{16, 8, 4, 2},
                                           // Fewer CPUs than a package holds still make one package.
                                           PackageDerivation{1, 4, 4, 1},
                                           // The per-package counts are 8-bit: 260 reads as 4.
                                           PackageDerivation{8, 260, 1, 2}));

}  // namespace
}  // namespace sw
