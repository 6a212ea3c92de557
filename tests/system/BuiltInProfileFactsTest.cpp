// The built-in machines describe themselves as the real ones would: facts that disagree with
// each other (a kernel of another era, a processor of another model) show up here.
#include <gtest/gtest.h>

#include "cpu/TKSx86Info.h"
#include "os/Bundle.h"
#include "os/Clock.h"
#include "support/SimulatedMachineTest.h"
#include "system/NSProcessInfoTKSAdditions.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw {
namespace {

struct BuiltInMachine {
  const char* profile;
  std::int32_t versionCode;
  const char* kernelNumber;
  bool kernel64;
  std::uint8_t packages;
  const char* productionDay;  // en_US, estimated in 2013
};

class BuiltInProfileFacts : public test::SimulatedMachineTest, public ::testing::WithParamInterface<BuiltInMachine> {
 protected:
  os::ManualClock clock_{1'370'000'000.0};  // June 2013
};

TEST_P(BuiltInProfileFacts, AgreeWithTheModelAndItsEra) {
  const BuiltInMachine& m = GetParam();
  os::setCurrentLocale("en_US");
  installBuiltIn(m.profile);
  const auto info = TKSMachineInfo::sharedMachineInfo();
  EXPECT_EQ(info->appleModelCode(), m.profile);
  EXPECT_EQ(info->operatingSystemVersionCode(), m.versionCode);
  EXPECT_EQ(info->readableKernelVersionNumber(), m.kernelNumber);
  EXPECT_EQ(info->isRunning64BitKernel(), m.kernel64);
  EXPECT_NE(info->computerName(), "Macintosh");
  EXPECT_NE(info->machineUUID(), "");
  EXPECT_NE(info->bootROMVersion(), "");
  EXPECT_GT(info->memorySize(), 0u);
  EXPECT_EQ(TKSx86Info().numberOfChipPackages(), m.packages);
  const auto day = TKSTimeUtilities::localizedDayRepresentationForDate(info->estimatedProductionDate());
  EXPECT_EQ(day.value_or("nil"), m.productionDay) << info->machineSerialNumber();
  EXPECT_TRUE(NSProcessInfoTKSAdditions::isProcessRunningWithName("DashboardClient"));
}

INSTANTIATE_TEST_SUITE_P(Profiles, BuiltInProfileFacts,
                         ::testing::Values(BuiltInMachine{"MacBookPro5,5", 0x1068, "10.8.0", false, 1, "6/15/09"},
                                           BuiltInMachine{"MacPro5,1", 0x1068, "10.8.0", true, 2, "6/14/10"},
                                           BuiltInMachine{"PowerBook5,8", 0x1058, "9.8.0", false, 1, "12/5/05"},
                                           BuiltInMachine{"PowerMac7,3", 0x1058, "9.8.0", false, 2, "9/20/04"},
                                           BuiltInMachine{"MacBookPro8,1", 0x1075, "11.4.2", true, 1, "2/21/11"},
                                           BuiltInMachine{"iMac13,2", 0x1085, "12.5.0", true, 1, "12/17/12"},
                                           BuiltInMachine{"MacBookAir5,2", 0x1082, "12.2.0", true, 1, "6/11/12"}));

}  // namespace
}  // namespace sw
