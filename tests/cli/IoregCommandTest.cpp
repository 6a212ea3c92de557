// The registry listing of `sensorwidget ioreg`, pinned on a small machine.
#include <gtest/gtest.h>

#include "cli/IoregCommand.h"
#include "support/ProfileBuilder.h"

namespace sw::cli {
namespace {

TEST(IoregListing, ASmallMachineListsEveryEntryWithItsPropertiesBeneathIt) {
  auto machine = test::ProfileBuilder()
                     .model("MacBookPro5,5")
                     .entry("IOACPIPlatformDevice", {{"IORegistryEntryName", Value("SMC")}, {"IORegistryEntryLocation", Value("0")}})
                     .child("AppleSMC", {{"smc-version", Value("1.47f2")}, {"@SMCKeys", Value(Array{})}})
                     .entry("AppleSmartBattery", {{"CellVoltage", Value(Array{Value::integer(4045), Value::integer(4043)})},
                                                  {"LegacyBatteryInfo", Value(Dictionary{{"Flags", Value::integer(4)}})},
                                                  {"IsCharging", Value::boolean(false)},
                                                  {"Ratio", Value::real(0.25)},
                                                  {"ManufacturerData", Value(Data{0, 0x1f})}})
                     .buildMachine();
  ASSERT_NE(machine, nullptr);
  EXPECT_EQ(ioregTree(*machine->planeRoot("IOService")),
            "+-o Root  <class IORegistryEntry>\n"
            "  +-o MacBookPro5,5  <class IOPlatformExpertDevice>\n"
            "      \"IOPlatformSerialNumber\" = \"W80000000000\"\n"
            "      \"manufacturer\" = \"Apple Inc.\"\n"
            "      \"model\" = <\"MacBookPro5,5\">\n"
            "    +-o SMC@0  <class IOACPIPlatformDevice>\n"
            "      +-o AppleSMC  <class AppleSMC>\n"
            "          \"smc-version\" = \"1.47f2\"\n"
            "    +-o AppleSmartBattery  <class AppleSmartBattery>\n"
            "        \"CellVoltage\" = (4045,4043)\n"
            "        \"IsCharging\" = No\n"
            "        \"LegacyBatteryInfo\" = {\"Flags\"=4}\n"
            "        \"ManufacturerData\" = <001f>\n"
            "        \"Ratio\" = 0.25\n");
}

}  // namespace
}  // namespace sw::cli
