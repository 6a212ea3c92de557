// The built-in Intel laptops carry a smart battery whose charge, current, voltage and
// temperature move over time, as a machine running on battery shows them.
#include <gtest/gtest.h>

#include "battery/TKSBatterySensor.h"
#include "battery/TKSSmartBatteryTemperatureSensor.h"
#include "os/Clock.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using BuiltInLaptops = SimulatedMachineTest;

std::vector<std::int32_t> rawValues(const SensorList& sensors) {
  std::vector<std::int32_t> values;
  for (const auto& sensor : sensors) values.push_back(sensor->rawValue());
  return values;
}

TEST_F(BuiltInLaptops, OneDischargingSmartBatteryWithCellsAndATemperatureThatMove) {
  const std::pair<const char*, std::size_t> laptops[] = {{"MacBookPro5,5", 3}, {"MacBookPro8,1", 3}, {"MacBookAir5,2", 2}};
  for (const auto& [name, cells] : laptops) {
    os::ManualClock clock(1'300'000'000.0);
    installBuiltIn(name);
    BatteryList batteries = TKSBatteryInfo::allBatteries();
    ASSERT_EQ(batteries.size(), 1u) << name;
    EXPECT_EQ(batteries[0]->className(), "TKSSmartBatteryInfo") << name;
    TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(false);
    EXPECT_LT(batteries[0]->amperage(), -0.5) << name << " runs on battery";
    TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(true);
    const std::optional<Date> made = batteries[0]->manufacturingDate();
    ASSERT_TRUE(made) << name;
    EXPECT_GT(made->secondsSinceReferenceDate, 8 * 365 * 86400.0) << name << " was made after 2008";

    SensorList sensors = TKSBatterySensor::allSensors();
    ASSERT_EQ(sensors.size(), 4 + cells) << name;
    SensorList temperatures = TKSSmartBatteryTemperatureSensor::allSensors();
    ASSERT_EQ(temperatures.size(), 1u) << name;
    for (const auto& sensor : sensors) EXPECT_GT(sensor->rawValue(), 0) << name << " " << sensor->uniqueIdentifier();
    EXPECT_GT(temperatures[0]->rawValue(), 20) << name;

    const std::vector<std::int32_t> before = rawValues(sensors);
    const std::int32_t temperatureBefore = temperatures[0]->rawValue();
    clock.advance(37);
    const std::vector<std::int32_t> after = rawValues(sensors);
    for (std::size_t index = 0; index < 4; ++index) {
      if (index == 2) continue;  // the full-charge capacity stays
      EXPECT_NE(after[index], before[index]) << name << " " << sensors[index]->uniqueIdentifier();
    }
    clock.advance(200);
    EXPECT_NE(temperatures[0]->rawValue(), temperatureBefore) << name;
  }
}

}  // namespace
}  // namespace sw::test
