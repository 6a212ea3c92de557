// Power-supply values turned into the smart battery's registry properties.
#include <gtest/gtest.h>

#include "live/KeyValueText.h"
#include "live/LiveBattery.h"
#include "live/LiveIdentity.h"
#include "os/TemporaryDirectory.h"

namespace sw::live {
namespace {

std::int64_t integer(const Dictionary& properties, const char* key) {
  const Value* value = valueForKey(properties, key);
  return value && value->asInteger() ? *value->asInteger() : -999999;
}

// The uevent of a real MacBook's battery under Linux: energy instead of charge, power instead
// of current, no serial number.
constexpr const char* kMacBookUevent =
    "POWER_SUPPLY_NAME=BAT0\nPOWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_PRESENT=1\n"
    "POWER_SUPPLY_CYCLE_COUNT=0\nPOWER_SUPPLY_VOLTAGE_MIN_DESIGN=7500000\nPOWER_SUPPLY_VOLTAGE_NOW=7323000\n"
    "POWER_SUPPLY_POWER_NOW=11892000\nPOWER_SUPPLY_ENERGY_FULL_DESIGN=67000000\nPOWER_SUPPLY_ENERGY_FULL=55940000\n"
    "POWER_SUPPLY_ENERGY_NOW=18710000\nPOWER_SUPPLY_CAPACITY=33\nPOWER_SUPPLY_SERIAL_NUMBER=\n";

TEST(LiveBattery, EnergyAndPowerBecomeMilliampereHoursAndASignedCurrent) {
  const Dictionary battery = smartBatteryProperties(keyValues(kMacBookUevent, '='), false);
  EXPECT_EQ(integer(battery, "Voltage"), 7323);
  EXPECT_EQ(integer(battery, "Amperage"), -1624);  // 11.892 W / 7.323 V, discharging
  EXPECT_EQ(integer(battery, "CurrentCapacity"), 2495);  // 18.71 Wh / 7.5 V
  EXPECT_EQ(integer(battery, "MaxCapacity"), 7459);
  EXPECT_EQ(integer(battery, "DesignCapacity"), 8933);
  EXPECT_EQ(integer(battery, "ManufactureDate"), 0);
  EXPECT_EQ(*stringForKey(battery, "Serial"), "");
  const Value* legacy = valueForKey(battery, "LegacyBatteryInfo");
  ASSERT_TRUE(legacy && legacy->asDictionary());
  EXPECT_EQ(integer(*legacy->asDictionary(), "Flags"), 0x4);  // installed, on battery
  EXPECT_EQ(valueForKey(battery, "Temperature"), nullptr);
}

TEST(LiveBattery, ChargeCurrentTemperatureAndDateKeepTheirDriverUnits) {
  const Dictionary battery = smartBatteryProperties(
      keyValues("POWER_SUPPLY_STATUS=Charging\nPOWER_SUPPLY_VOLTAGE_NOW=12600000\nPOWER_SUPPLY_CURRENT_NOW=-1500000\n"
                "POWER_SUPPLY_CHARGE_NOW=4517000\nPOWER_SUPPLY_CHARGE_FULL=5236000\nPOWER_SUPPLY_TEMP=301\n"
                "POWER_SUPPLY_MANUFACTURE_YEAR=2009\nPOWER_SUPPLY_MANUFACTURE_MONTH=3\nPOWER_SUPPLY_MANUFACTURE_DAY=15\n",
                '='),
      std::nullopt);
  EXPECT_EQ(integer(battery, "Amperage"), 1500);  // charging: positive whatever the driver's sign
  EXPECT_EQ(integer(battery, "CurrentCapacity"), 4517);
  EXPECT_EQ(integer(battery, "DesignCapacity"), 5236);  // none given: the full capacity
  EXPECT_EQ(integer(battery, "Temperature"), 3033);     // 30.1 °C in tenths of a kelvin
  EXPECT_EQ(integer(battery, "ManufactureDate"), 0x3A6F);
  EXPECT_EQ(valueForKey(battery, "FirmwareSerialNumber"), nullptr);  // none given
  const Dictionary numbered = smartBatteryProperties(keyValues("POWER_SUPPLY_SERIAL_NUMBER=1127\n", '='), false);
  EXPECT_EQ(integer(numbered, "FirmwareSerialNumber"), 1127);
  const Dictionary lettered = smartBatteryProperties(keyValues("POWER_SUPPLY_SERIAL_NUMBER=W0193A1\n", '='), false);
  EXPECT_EQ(valueForKey(lettered, "FirmwareSerialNumber"), nullptr);
  EXPECT_EQ(*stringForKey(lettered, "Serial"), "W0193A1");
  EXPECT_EQ(integer(*valueForKey(battery, "LegacyBatteryInfo")->asDictionary(), "Flags"), 0x7);
}

TEST(LiveBattery, EnergyWithoutAnyVoltageGivesNoCapacityInsteadOfADivisionByZero) {
  const Dictionary battery = smartBatteryProperties(
      keyValues("POWER_SUPPLY_ENERGY_NOW=18710000\nPOWER_SUPPLY_VOLTAGE_NOW=0\nPOWER_SUPPLY_POWER_NOW=5\n", '='), false);
  EXPECT_EQ(integer(battery, "CurrentCapacity"), 0);
  EXPECT_EQ(integer(battery, "Amperage"), 0);
}

TEST(LiveIdentity, OSReleaseStandsForTheSystemVersionFile) {
  const Dictionary version = systemVersionFromOSRelease(
      "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
      "VERSION_CODENAME=bookworm\n");
  EXPECT_EQ(*stringForKey(version, "ProductName"), "Debian GNU/Linux");
  EXPECT_EQ(*stringForKey(version, "ProductVersion"), "12");
  EXPECT_EQ(*stringForKey(version, "ProductBuildVersion"), "bookworm");
  EXPECT_TRUE(systemVersionFromOSRelease("# nothing here\n").empty());
  EXPECT_EQ(*stringForKey(systemVersionFromOSRelease("VERSION_ID=rolling\n"), "ProductName"), "Linux");
}

TEST(LiveIdentity, FactsComeFromTheirFilesAndAMissingSerialLeavesNoProperty) {
  os::testing::TemporaryDirectory tree;
  tree.write("sys/class/dmi/id/product_name", "MacBookPro8,1\n");
  tree.write("proc/sys/kernel/ostype", "Linux\n");
  tree.write("proc/sys/kernel/osrelease", "6.1.0\n");
  tree.write("proc/sys/kernel/version", "#1 SMP\n");
  tree.write("proc/sys/kernel/arch", "x86_64\n");
  tree.write("proc/meminfo", "MemTotal:  4194304 kB\n");
  tree.write("proc/cpuinfo", "processor : 0\ncpu family : 6\nmodel : 42\nstepping : 7\nphysical id : 0\ncore id : 0\n"
                             "flags : fpu lm sse\n\nprocessor : 1\nphysical id : 0\ncore id : 1\n");
  LiveFiles files(tree.path());
  const LiveIdentity identity = LiveIdentity::read(files);
  EXPECT_EQ(*stringForKey(identity.sysctl, "kern.version"), "Linux Kernel Version 6.1.0: #1 SMP; RELEASE_X86_64");
  EXPECT_EQ(valueForKey(identity.sysctl, "hw.memsize")->asInteger(), 4294967296);
  EXPECT_EQ(valueForKey(identity.sysctl, "machdep.cpu.signature")->asInteger(), 132775);
  EXPECT_EQ(valueForKey(identity.sysctl, "hw.physicalcpu")->asInteger(), 2);
  EXPECT_EQ(valueForKey(identity.sysctl, "hw.cpu64bit_capable")->asInteger(), 1);
  EXPECT_EQ(valueForKey(identity.platformExpert, "IOPlatformSerialNumber"), nullptr);
  EXPECT_FALSE(identity.hostUUID);
}

}  // namespace
}  // namespace sw::live
