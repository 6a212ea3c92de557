// The battery model against simulated power-management drivers: which form is found where,
// what each property reads as, and the texts both forms print.
#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <chrono>

#include "battery/BatteryTestMachine.h"
#include "battery/TKSLegacyBatteryInfo.h"
#include "battery/TKSSmartBatteryInfo.h"
#include "foundation/ProcessState.h"
#include "os/Bundle.h"
#include "os/IOKit.h"
#include "os/SystemLog.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

class BatteryInfo : public SimulatedMachineTest {
 protected:
  void SetUp() override {
    SimulatedMachineTest::SetUp();
    useZone("UTC");
  }
  void TearDown() override {
    useZone("UTC");
    os::setCurrentLocale("en_US");
    SimulatedMachineTest::TearDown();
  }
  static void useZone(const char* zone) { icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(zone)); }

  std::shared_ptr<TKSSmartBatteryInfo> onlySmartBattery(Dictionary properties) {
    install(smartBatteryMachine({std::move(properties)}));
    SmartBatteryList batteries = TKSSmartBatteryInfo::allBatteries();
    EXPECT_EQ(batteries.size(), 1u);
    return batteries.empty() ? nullptr : batteries[0];
  }
};

TEST_F(BatteryInfo, ANegativeCurrentDumpedAsUnsigned64BitReadsAsItsLow32BitsAndIsAbsoluteUntilSwitchedOff) {
  auto battery = onlySmartBattery(smartBattery());
  ASSERT_TRUE(battery);
  EXPECT_TRUE(TKSBatteryInfo::enforcesAbsoluteBatteryCurrents());
  EXPECT_DOUBLE_EQ(battery->amperage(), 1.0);
  TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(false);
  EXPECT_DOUBLE_EQ(battery->amperage(), -1.0);

  battery.reset();  // its handle belongs to the machine about to be replaced
  battery = onlySmartBattery(smartBattery({{"Amperage", Value::integer(-1500)}}));
  EXPECT_DOUBLE_EQ(battery->amperage(), 1.5) << "a test must start with absolute currents again";
  TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(false);
  EXPECT_DOUBLE_EQ(battery->amperage(), -1.5);
}

TEST_F(BatteryInfo, SmartBatteryValuesComeFromTheirOwnPropertiesAndMissingNumbersReadAsMinusOne) {
  auto battery = onlySmartBattery(smartBattery({{"LegacyBatteryInfo", Value(Dictionary{{"Flags", Value::integer(0x203)}})}}));
  ASSERT_TRUE(battery);
  EXPECT_DOUBLE_EQ(battery->voltage(), 12.3);
  EXPECT_EQ(battery->totalCapacity(), 5400.0);
  EXPECT_EQ(battery->currentCapacity(), 4500.0);
  EXPECT_EQ(battery->maximumCapacity(), 5770.0);
  EXPECT_EQ(battery->chargeCycles(), 120u);
  EXPECT_EQ(battery->batteryFlags(), 0x203u);
  EXPECT_EQ(battery->manufacturer(), "SMP");
  EXPECT_EQ(battery->batteryDeviceName(), "bq20z451");
  EXPECT_TRUE(battery->hasExtendedInformation());
  EXPECT_TRUE(battery->hasSmartInformation());

  // The driver replacing its values after discovery with something that is no reading.
  const os::io_object_t entry = battery->batteryEntry()->ioKitHandle();
  for (const char* key : {"Voltage", "MaxCapacity", "LegacyBatteryInfo", "Temperature", "CellVoltage", "Manufacturer"}) {
    ASSERT_EQ(os::IORegistryEntrySetCFProperty(entry, key, Value(Data{})), os::KERN_SUCCESS);
  }
  EXPECT_DOUBLE_EQ(battery->voltage(), -0.001);
  EXPECT_EQ(battery->totalCapacity(), -1.0);
  EXPECT_EQ(battery->batteryFlags(), 0u);
  EXPECT_EQ(battery->temperature(), 0.0);
  EXPECT_EQ(battery->numberOfCells(), 0u);
  EXPECT_EQ(battery->manufacturer(), "") << "data reads as the text up to its first zero";
}

TEST_F(BatteryInfo, TheFirmwareSerialNumberWinsAsDecimalTextAndOnlyANumberCounts) {
  const std::tuple<Dictionary, std::vector<const char*>, std::optional<std::string>> cases[] = {
      {{}, {}, "1234"},
      {{{"FirmwareSerialNumber", Value::integer(0xFFFFFFFF)}}, {}, "4294967295"},
      {{}, {"FirmwareSerialNumber"}, "W01234ABCD"},
      {{{"FirmwareSerialNumber", Value("1234")}}, {}, "W01234ABCD"},
  };
  for (const auto& [changes, removed, expected] : cases) {
    Dictionary properties = smartBattery(changes);
    for (const char* key : removed) properties.erase(key);
    auto battery = onlySmartBattery(properties);
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->serialNumber(), expected);
  }
}

TEST_F(BatteryInfo, TemperatureIsTenthsOfAKelvinLess27316AndMinusOneOrNothingMeansUnknown) {
  const std::pair<std::optional<std::int64_t>, double> cases[] = {
      {3032, 30.04}, {2731, -0.06}, {-1, 0.0}, {std::nullopt, 0.0}, {0, -273.16}};
  for (const auto& [tenthsOfKelvin, celsius] : cases) {
    Dictionary properties = smartBattery();
    if (tenthsOfKelvin) properties.insert_or_assign("Temperature", Value::integer(*tenthsOfKelvin));
    else properties.erase("Temperature");
    auto battery = onlySmartBattery(properties);
    ASSERT_TRUE(battery);
    EXPECT_NEAR(battery->temperature(), celsius, 1e-9) << tenthsOfKelvin.value_or(-999);
  }
}

TEST_F(BatteryInfo, CellsCountUpToTheFirstZeroAndNoCellBeyondThemHasAVoltage) {
  struct Case {
    std::optional<Value> cells;
    std::uint32_t count;
    std::vector<double> voltages;  // at indexes 0, 1, 2, 3
  };
  const Case cases[] = {
      {integers({4012, 4015, 0, 4010}), 2, {4.012, 4.015, 0.0, 0.0}},
      {integers({4100, 4101, 4099}), 3, {4.1, 4.101, 4.099, 0.0}},
      {integers({0, 4100}), 0, {0.0, 0.0, 0.0, 0.0}},
      {Value(Array{Value::integer(4100), Value("4101")}), 1, {4.1, 0.0, 0.0, 0.0}},
      {Value(Array{}), 0, {0.0, 0.0, 0.0, 0.0}},
      {Value("4100"), 0, {0.0, 0.0, 0.0, 0.0}},
      {std::nullopt, 0, {0.0, 0.0, 0.0, 0.0}},
  };
  for (const Case& c : cases) {
    Dictionary properties = smartBattery({}, {"CellVoltage"});
    if (c.cells) properties.emplace("CellVoltage", *c.cells);
    auto battery = onlySmartBattery(properties);
    ASSERT_TRUE(battery);
    const std::string label = c.cells ? c.cells->description() : "(none)";
    EXPECT_EQ(battery->numberOfCells(), c.count) << label;
    for (std::uint32_t index = 0; index < c.voltages.size(); ++index) {
      EXPECT_DOUBLE_EQ(battery->cellVoltageAtIndex(index), c.voltages[index]) << label << " at " << index;
    }
    EXPECT_EQ(battery->cellVoltageAtIndex(0xFFFFFFFF), 0.0);
  }
}

TEST_F(BatteryInfo, ThePackedManufacturingDateIsTheStartOfThatDayInTheUsersTimeZone) {
  using namespace std::chrono;
  constexpr double kSecondsFrom1970To2001 = 978307200.0;
  const double march15UTC = duration<double>(sys_days(2009y / March / 15).time_since_epoch()).count() - kSecondsFrom1970To2001;
  const std::tuple<const char*, std::int64_t, double> cases[] = {
      {"UTC", 0x3A6F, march15UTC},
      {"Europe/Berlin", 0x3A6F, march15UTC - 3600},  // midnight of the first hour east of Greenwich
      {"America/Los_Angeles", 0x3A6F, march15UTC + 7 * 3600},  // already summer time on 15 March 2009
  };
  for (const auto& [zone, packed, expected] : cases) {
    useZone(zone);
    auto battery = onlySmartBattery(smartBattery({{"ManufactureDate", Value::integer(packed)}}));
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->manufacturingDate(), Date{expected}) << zone;
  }
}

TEST_F(BatteryInfo, ASmartBatteryLackingARequiredPropertyIsSkippedWhole) {
  const char* required[] = {"LegacyBatteryInfo", "Voltage",     "Amperage",       "CurrentCapacity", "Manufacturer",
                            "DeviceName",        "ManufactureDate", "MaxCapacity", "DesignCapacity",  "CycleCount"};
  for (const char* key : required) {
    install(smartBatteryMachine({smartBattery({}, {key}), smartBattery({{"DeviceName", Value("second")}})}));
    SmartBatteryList batteries = TKSSmartBatteryInfo::allBatteries();
    ASSERT_EQ(batteries.size(), 1u) << key;
    EXPECT_EQ(batteries[0]->batteryDeviceName(), "second") << key;
  }
  // One of the two serial numbers is enough; neither is not.
  install(smartBatteryMachine({smartBattery({}, {"Serial"}), smartBattery({}, {"FirmwareSerialNumber"}),
                               smartBattery({}, {"Serial", "FirmwareSerialNumber"})}));
  EXPECT_EQ(TKSSmartBatteryInfo::allBatteries().size(), 2u);
}

TEST_F(BatteryInfo, OlderFormElementsLackingARequiredKeyAreSkippedAndTheOthersKeepTheirOrder) {
  install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery({{"Capacity", Value::integer(1)}}),
                                                                  legacyBattery({}, {"Flags"}), legacyBattery({}, {"Voltage"}),
                                                                  Value("no dictionary"),
                                                                  legacyBattery({{"Capacity", Value::integer(2)}})})));
  BatteryList batteries = TKSBatteryInfo::allBatteries();
  // An element that is no dictionary makes the array unreadable as sub-entries.
  EXPECT_TRUE(batteries.empty());

  install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery({{"Capacity", Value::integer(1)}}),
                                                                  legacyBattery({}, {"Flags"}), legacyBattery({}, {"Current"}),
                                                                  legacyBattery({{"Capacity", Value::integer(2)}})})));
  batteries = TKSBatteryInfo::allBatteries();
  ASSERT_EQ(batteries.size(), 2u);
  EXPECT_EQ(batteries[0]->totalCapacity(), 1.0);
  EXPECT_EQ(batteries[1]->totalCapacity(), 2.0);
}

TEST_F(BatteryInfo, OlderFormServicesAreAskedInTheirOrderAndOnlyTheACPIBatteryLooksAtItsChild) {
  struct Case {
    const char* fault;
    ProfileBuilder machine;
    std::vector<double> capacities;
  };
  const Value first = legacyBattery({{"Capacity", Value::integer(1)}});
  const Value second = legacyBattery({{"Capacity", Value::integer(2)}});
  const Value third = legacyBattery({{"Capacity", Value::integer(3)}});
  Case cases[] = {
      {"a later service class mixed in",
       ProfileBuilder().entry("AppleSMUDevice", batteryInfo({second})).entry("AppleMacIODevice", batteryInfo({first})),
       {1}},
      {"the second class not asked", ProfileBuilder().entry("AppleMacIODevice").entry("AppleSMUDevice", batteryInfo({second})), {2}},
      {"every service of the class not collected",
       ProfileBuilder().entry("AppleSMUDevice", batteryInfo({second})).entry("AppleSMUDevice", batteryInfo({third, first})),
       {2, 3, 1}},
      {"the ACPI battery's child not looked at",
       ProfileBuilder().entry("AppleACPIBattery").child("IOService", batteryInfo({third})), {3}},
      {"a platform service's child taken",
       ProfileBuilder().entry("AppleMacIODevice").child("IOService", batteryInfo({first})), {}},
      {"an incomplete first class hiding the next",
       ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery({}, {"Amperage"})})).entry(
           "AppleACPIBattery", batteryInfo({second})),
       {2}},
  };
  for (const Case& c : cases) {
    install(c.machine);
    std::vector<double> capacities;
    for (const auto& battery : TKSBatteryInfo::allBatteries()) capacities.push_back(battery->totalCapacity());
    EXPECT_EQ(capacities, c.capacities) << c.fault;
  }
  EXPECT_EQ(TKSLegacyBatteryInfo::allBatteryEntriesForServiceNameUsingChild("", true), std::nullopt);
}

TEST_F(BatteryInfo, AMachineWithBothFormsReportsOnlyTheOlderOne) {
  install(smartBatteryMachine({smartBattery()}).entry("AppleMacIODevice", batteryInfo({legacyBattery()})));
  BatteryList batteries = TKSBatteryInfo::allBatteries();
  ASSERT_EQ(batteries.size(), 1u);
  EXPECT_EQ(batteries[0]->className(), "TKSLegacyBatteryInfo");
  EXPECT_EQ(TKSSmartBatteryInfo::allBatteries().size(), 1u);
}

TEST_F(BatteryInfo, OlderFormOptionalKeysReadAsZeroAndNoCyclesMeansNoExtendedInformation) {
  const std::tuple<Value, double, std::uint32_t, bool> cases[] = {
      {legacyBattery(), 4600.0, 87u, true},
      {legacyBattery({{"Cycle Count", Value::integer(0)}}), 4600.0, 0u, false},
      {legacyBattery({}, {"Cycle Count"}), 4600.0, 0u, false},
      {legacyBattery({}, {"AbsoluteMaxCapacity"}), 0.0, 87u, false},
  };
  for (const auto& [element, maximum, cycles, extended] : cases) {
    install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({element})));
    BatteryList batteries = TKSBatteryInfo::allBatteries();
    ASSERT_EQ(batteries.size(), 1u);
    EXPECT_EQ(batteries[0]->maximumCapacity(), maximum) << element.description();
    EXPECT_EQ(batteries[0]->chargeCycles(), cycles) << element.description();
    EXPECT_EQ(batteries[0]->hasExtendedInformation(), extended) << element.description();
    EXPECT_FALSE(batteries[0]->hasSmartInformation());
    EXPECT_DOUBLE_EQ(batteries[0]->amperage(), 1.5);
  }
}

TEST_F(BatteryInfo, FlagTextsAreBulletedLinesInBitOrderInBothLanguagesAndNoFlagIsNormal) {
  const std::tuple<const char*, std::uint32_t, std::string> cases[] = {
      {"en_US", 0x203, "\u2022 AC adapter connected\n\u2022 charging\n\u2022 lid is closed\n"},
      {"de_DE", 0x203, "\u2022 Netzteil angeschlossen\n\u2022 wird geladen\n\u2022 Deckel ist geschlossen\n"},
      {"en_US", 0x480, "\u2022 low power\n\u2022 maintain clamshell state\n"},
      {"en_US", 0, "normal"},
      {"de_DE", 0, "normal"},
      {"en_US", 0xFFFFF800, "normal"},  // bits above 10 have no text
  };
  for (const auto& [locale, flags, expected] : cases) {
    resetProcessState();
    os::setCurrentLocale(locale);
    EXPECT_EQ(TKSBatteryInfo::localizedBatteryStatusDescriptionForBatteryFlags(flags), expected) << locale << " " << flags;
  }
}

TEST_F(BatteryInfo, StatusKeysFollowTheFlagBits) {
  auto battery = onlySmartBattery(smartBattery({{"LegacyBatteryInfo", Value(Dictionary{{"Flags", Value::integer(0x80000203)}})}}));
  ASSERT_TRUE(battery);
  Dictionary status = battery->batteryStatus();
  ASSERT_EQ(status.size(), 11u);
  for (const auto& [key, set] : status) {
    bool expected = key == "AC Adapter Connected" || key == "Charging" || key == "Clamshell Closed";
    EXPECT_EQ(set, Value::boolean(expected)) << key;
  }
  EXPECT_TRUE(battery->batteryStatusForKey(31));
  EXPECT_FALSE(battery->batteryStatusForKey(2));
  EXPECT_FALSE(battery->batteryStatusForKey(32));

  // Flags that are no number give none set.
  battery.reset();
  battery = onlySmartBattery(smartBattery({{"LegacyBatteryInfo", Value(Dictionary{{"Flags", Value("0x203")}})}}));
  EXPECT_EQ(battery->batteryFlags(), 0u);
}

TEST_F(BatteryInfo, ReadoutsAndDescriptionOfASmartBattery) {
  auto battery = onlySmartBattery(smartBattery());
  ASSERT_TRUE(battery);
  const Dictionary readouts = battery->currentReadouts();
  EXPECT_EQ(*valueForKey(readouts, "BatteryStatus"), Value::integer(4));
  EXPECT_EQ(*valueForKey(readouts, "Amperage"), Value::real(1.0));
  EXPECT_EQ(*valueForKey(readouts, "HasSmartInfo"), Value::boolean(true));
  EXPECT_EQ(*valueForKey(readouts, "SerialNumber"), Value("1234"));
  EXPECT_EQ(*valueForKey(readouts, "CellVoltages"), Value(Array{Value::real(4.1), Value::real(4.101), Value::real(4.099)}));
  EXPECT_NEAR(*valueForKey(readouts, "BatteryTemperature")->asReal(), 30.04, 1e-9);
  EXPECT_EQ(readouts.size(), 15u);

  const std::string status =
      "{\n    \"AC Adapter Connected\" = 0;\n    \"Cannot Charge\" = 0;\n    Charging = 0;\n    \"Clamshell Closed\" = 0;\n"
      "    \"Clamshell on Wake\" = 0;\n    Depleted = 0;\n    \"Force Low Speed\" = 0;\n    Installed = 1;\n"
      "    \"Raw Low\" = 0;\n    \"UPS Installed\" = 0;\n    \"Warning State\" = 0;\n}";
  EXPECT_EQ(battery->description(),
            "TKSSmartBatteryInfo: Total Capacity: 5400.000000 mAh Current Capacity: 4500.000000 mAh Maximum Capacity: "
            "5770.000000 mAh Voltage: 12.300000 V Amperage: 1.000000 A Flags: 0x4: " + status +
                " Cycles: 120 Manufacturer: SMP Device: bq20z451 Serial Number: 1234 Manufactured: 2009-03-15 00:00:00 +0000 "
                "Temperature: 30.040000 Cells: 3 Cell Voltages: 4.100000, 4.101000, 4.099000\n");

  battery.reset();
  battery = onlySmartBattery(smartBattery({{"Temperature", Value::integer(-1)}}, {"CellVoltage"}));
  ASSERT_TRUE(battery);
  EXPECT_FALSE(valueForKey(battery->currentReadouts(), "BatteryTemperature"));
  EXPECT_FALSE(valueForKey(battery->currentReadouts(), "CellVoltages"));
  EXPECT_TRUE(battery->description().ends_with(" Temperature: 0.000000 Cells: 0 Cell Voltages: ---\n"));
}

TEST_F(BatteryInfo, OlderFormDescriptionAndAbstractOperationsThatLogTheirName) {
  install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery()})));
  BatteryList batteries = TKSBatteryInfo::allBatteries();
  ASSERT_EQ(batteries.size(), 1u);
  EXPECT_TRUE(batteries[0]->description().starts_with(
      "TKSLegacyBatteryInfo: Total Capacity: 4200.000000 mAh Current Capacity: 3100.000000 mAh Maximum Capacity: "
      "4600.000000 mAh Voltage: 12.450000 V Amperage: 1.500000 A Flags: 0x7: {\n"));
  EXPECT_TRUE(batteries[0]->description().ends_with("    \"Warning State\" = 0;\n} Cycles: 87\n"));
  EXPECT_EQ(batteries[0]->currentReadouts().size(), 9u);

  auto abstract = TKSBatteryInfo::createWithIORegistryEntry(batteries[0]->batteryEntry());
  ASSERT_TRUE(abstract);
  os::CapturedLog log;
  EXPECT_EQ(abstract->totalCapacity(), 0.0);
  EXPECT_EQ(abstract->batteryFlags(), 0u);
  EXPECT_DOUBLE_EQ(abstract->voltage(), 12.45) << "the shared readings need no subclass";
  abstract->logSubclassImplementationErrorWithMethodName("");
  EXPECT_EQ(log.messages(),
            (std::vector<std::string>{
                "TKSBatteryInfo: implementation error: -totalCapacity fell back to abstract class because not overridden.\n",
                "TKSBatteryInfo: implementation error: -batteryFlags fell back to abstract class because not overridden.\n"}));
  EXPECT_FALSE(TKSBatteryInfo::createWithIORegistryEntry(nullptr));
}

}  // namespace
}  // namespace sw::test
