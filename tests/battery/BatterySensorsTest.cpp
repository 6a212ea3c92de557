// The battery sensors: which sensors a machine's batteries give, in which order, under which
// identifiers and locations, and what they read.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <limits>

#include "battery/BatteryTestMachine.h"
#include "battery/TKSBatterySensor.h"
#include "battery/TKSSmartBatteryTemperatureSensor.h"
#include "os/Clock.h"
#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

/// Identifier, location, quantity type, unit and raw value of each sensor, one line each.
Texts summaries(const SensorList& sensors) {
  Texts lines;
  for (const auto& sensor : sensors) {
    lines.push_back(fmt::format("{} | {} | {} | {} | {}", sensor->uniqueIdentifier(), sensor->locationIdentifier(),
                                sensor->quantityType(), sensor->unit(), sensor->rawValue()));
  }
  return lines;
}

using BatterySensors = SimulatedMachineTest;

TEST_F(BatterySensors, AThreeCellSmartBatteryGivesSevenSensorsInOrderAndOneTemperature) {
  install(smartBatteryMachine({smartBattery()}));
  // 12.3 V * 65536 = 806092.8, truncated; 4500 mAh * 65536 = 294912000.
  EXPECT_EQ(summaries(TKSBatterySensor::allSensors()),
            (Texts{"battery.0.voltage | Battery 1 Voltage | 2 | V | 806092",
                   "battery.0.amperage | Battery 1 Current | 3 | A | 65536",
                   "battery.0.totalCapacity | Battery 1 Total Capacity | 5 | mAh | 353894400",
                   "battery.0.capacity | Battery 1 Current Capacity | 5 | mAh | 294912000",
                   "battery.0-cell0.voltage | Battery 1 Cell 1 | 2 | V | 268697",
                   "battery.0-cell1.voltage | Battery 1 Cell 2 | 2 | V | 268763",
                   "battery.0-cell2.voltage | Battery 1 Cell 3 | 2 | V | 268632"}));
  EXPECT_EQ(summaries(TKSSmartBatteryTemperatureSensor::allSensors()),
            Texts{"smartbattery.bq20z451.1234 | Smart Battery bq20z451 (1234) | 1 | C | 30"});
}

TEST_F(BatterySensors, EveryBatterySensorSharesNameTypeAndTheSixteenSixteenConverter) {
  install(smartBatteryMachine({smartBattery()}));
  for (const auto& sensor : TKSBatterySensor::allSensors()) {
    EXPECT_EQ(sensor->sensorName(), "Apple Battery");
    EXPECT_EQ(sensor->sensorType(), 3);
    EXPECT_EQ(sensor->precision(), 0.0);
    EXPECT_EQ(sensor->accuracy(), 0.0);
  }
  auto voltage = TKSBatterySensor::allSensors().front();
  EXPECT_NEAR(voltage->valueConverter().valueForRawSensorValue(voltage->rawValue()), 12.3, 1.0 / 65536);

  auto temperature = TKSSmartBatteryTemperatureSensor::allSensors().front();
  EXPECT_EQ(temperature->sensorName(), "Smart Battery Temperature Sensor");
  EXPECT_EQ(temperature->sensorType(), 1);
  EXPECT_EQ(temperature->precision(), 0.5);
  EXPECT_EQ(temperature->accuracy(), 3.0);
  EXPECT_EQ(temperature->valueConverter().valueForRawSensorValue(30), 30.0);
}

TEST_F(BatterySensors, TheSecondBatteryIsNumberedOneInIdentifiersAndTwoInLocations) {
  install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery(), legacyBattery()})));
  const Texts all = summaries(TKSBatterySensor::allSensors());
  ASSERT_EQ(all.size(), 8u) << "the older form has no cells";
  EXPECT_EQ(Texts(all.begin() + 4, all.end()),
            (Texts{"battery.1.voltage | Battery 2 Voltage | 2 | V | 815923",
                   "battery.1.amperage | Battery 2 Current | 3 | A | 98304",
                   "battery.1.totalCapacity | Battery 2 Total Capacity | 5 | mAh | 275251200",
                   "battery.1.capacity | Battery 2 Current Capacity | 5 | mAh | 203161600"}));
  EXPECT_TRUE(TKSSmartBatteryTemperatureSensor::allSensors().empty());

  install(smartBatteryMachine({smartBattery(), smartBattery({{"CellVoltage", integers({3900, 0, 3901})}})}));
  const Texts smart = summaries(TKSBatterySensor::allSensors());
  ASSERT_EQ(smart.size(), 12u);
  EXPECT_EQ(smart.back(), "battery.1-cell0.voltage | Battery 2 Cell 1 | 2 | V | 255590");
}

TEST_F(BatterySensors, SmartBatteryTemperaturesComeAlongsideOlderFormBatteries) {
  install(smartBatteryMachine({smartBattery()}).entry("AppleMacIODevice", batteryInfo({legacyBattery()})));
  EXPECT_EQ(TKSBatterySensor::allSensors().size(), 4u);
  EXPECT_EQ(TKSSmartBatteryTemperatureSensor::allSensors().size(), 1u);
}

TEST_F(BatterySensors, TemperatureReadingsTruncateTowardZeroAndAnUnknownOneGivesNoReading) {
  os::ManualClock clock(1'000'000'000.0);
  // -0.46 °C at first (2727 tenths of a kelvin), then 30.04 °C, then unknown.
  install(smartBatteryMachine({smartBattery({{"Temperature", Value::integer(2727)}})}));
  SensorList sensors = TKSSmartBatteryTemperatureSensor::allSensors();
  ASSERT_EQ(sensors.size(), 1u);
  EXPECT_EQ(sensors[0]->rawValue(), 0);
  auto battery = std::static_pointer_cast<TKSSmartBatteryTemperatureSensor>(sensors[0])->batteryInfo();
  const os::io_object_t entry = battery->batteryEntry()->ioKitHandle();
  ASSERT_EQ(os::IORegistryEntrySetCFProperty(entry, "Temperature", Value::integer(3032)), os::KERN_SUCCESS);
  EXPECT_EQ(sensors[0]->rawValue(), 30);
  ASSERT_EQ(os::IORegistryEntrySetCFProperty(entry, "Temperature", Value::integer(-1)), os::KERN_SUCCESS);
  EXPECT_EQ(sensors[0]->rawValue(), -1);
}

TEST_F(BatterySensors, ASmartBatteryWithoutTemperatureNameOrSerialGetsNoTemperatureSensor) {
  const std::pair<const char*, Dictionary> cases[] = {
      {"unknown temperature", smartBattery({{"Temperature", Value::integer(-1)}})},
      {"empty device name", smartBattery({{"DeviceName", Value("")}})},
      {"device name that is no text", smartBattery({{"DeviceName", Value::integer(451)}})},
      {"empty serial", smartBattery({{"Serial", Value("")}}, {"FirmwareSerialNumber"})},
  };
  for (const auto& [fault, battery] : cases) {
    install(smartBatteryMachine({battery}));
    EXPECT_EQ(TKSBatterySensor::allSensors().size(), 7u) << fault;
    EXPECT_TRUE(TKSSmartBatteryTemperatureSensor::allSensors().empty()) << fault;
  }
  EXPECT_FALSE(TKSSmartBatteryTemperatureSensor::createWithBatteryInfo(nullptr));
}

TEST_F(BatterySensors, ReadingsBeyondTheSixteenSixteenRangeSaturateInsteadOfWrapping) {
  install(smartBatteryMachine({smartBattery({{"MaxCapacity", Value::integer(40000)}, {"CurrentCapacity", Value::integer(32767)},
                                             {"Amperage", Value::integer(-2147483647)}})}));
  TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(false);
  SensorList sensors = TKSBatterySensor::allSensors();
  ASSERT_GE(sensors.size(), 4u);
  EXPECT_EQ(sensors[1]->rawValue(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(sensors[2]->rawValue(), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(sensors[3]->rawValue(), 32767 * 65536);
}

TEST_F(BatterySensors, KindsWithoutAValueReadNothingAndCellsOfAnOlderFormBatteryReadZero) {
  install(ProfileBuilder().entry("AppleMacIODevice", batteryInfo({legacyBattery()})));
  auto battery = TKSBatteryInfo::allBatteries().front();
  const std::tuple<std::int32_t, const char*, const char*> kinds[] = {
      {0, "battery.0. | Battery 1  | 0 |   | -1", ""},
      {5, "battery.0.(null) | Battery 1 (null) | 0 |   | -1", nullptr},
      {-1, "battery.0.(null) | Battery 1 (null) | 0 |   | -1", nullptr},
  };
  for (const auto& [kind, summary, identifierPart] : kinds) {
    auto sensor = TKSBatterySensor::createWithBatteryInfoSensorTypeIndex(battery, kind, 0);
    ASSERT_TRUE(sensor);
    EXPECT_EQ(summaries({sensor}), Texts{summary}) << kind;
    EXPECT_EQ(sensor->sensorTypeIdentifier(), identifierPart ? std::optional<std::string>(identifierPart) : std::nullopt);
  }
  auto cell = TKSBatterySensor::createWithBatteryInfoIndexForCellVoltageAtIndex(battery, 0, 0);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->rawValue(), 0);
  EXPECT_FALSE(TKSBatterySensor::createWithBatteryInfoSensorTypeIndex(nullptr, 1, 0));
  EXPECT_FALSE(TKSBatterySensor::createWithBatteryInfoIndexForCellVoltageAtIndex(nullptr, 0, 0));
}

}  // namespace
}  // namespace sw::test
