// The CPU monitors of the built-in Intel profiles: every core reads, the readings wander, and
// the Mac Pro's twelve cores come in order; the Penryn's clock steps.
#include <algorithm>
#include <cmath>

#include "cpu/CPUMonitorTest.h"

namespace sw::test {
namespace {

using CPUMonitorBuiltInProfiles = CPUMonitorTest;

TEST_F(CPUMonitorBuiltInProfiles, everyCoreReadsAPlausibleTemperatureThatChangesOverTime) {
  struct Machine {
    const char* model;
    std::size_t cores;
    const char* variant;
  };
  const Machine machines[] = {{"MacBookPro5,5", 2, "TKSQUORVELx86MonitorCPU67184"},
                              {"MacBookPro8,1", 2, "TKSQUORVELx86MonitorCPU132768"},
                              {"iMac13,2", 4, "TKSQUORVELx86MonitorCPU198304"},
                              {"MacBookAir5,2", 2, "TKSQUORVELx86MonitorCPU198304"},
                              {"MacPro5,1", 12, "TKSQUORVELx86MonitorCPU132800"}};
  for (const Machine& machine : machines) {
    SCOPED_TRACE(machine.model);
    installBuiltIn(machine.model);
    std::vector<CPUMonitorSensor> cores;
    for (auto& sensor : monitorSensors()) {
      if (sensor->quantityType() == TKSQuantityTemperature) cores.push_back(sensor);
    }
    ASSERT_EQ(cores.size(), machine.cores);
    EXPECT_EQ(cores[0]->className(), machine.variant);
    auto readings = [&] {
      std::vector<double> degrees;
      for (const auto& core : cores) degrees.push_back(core->value());
      return degrees;
    };
    const std::vector<double> before = readings();
    for (double degrees : before) EXPECT_TRUE(degrees >= 30 && degrees <= 70) << degrees;
    clock_.advance(10);
    EXPECT_NE(readings(), before);
    cores.clear();
  }
}

TEST_F(CPUMonitorBuiltInProfiles, theMacProShowsTwelveCoresInOrderAndThePenrynItsClock) {
  installBuiltIn("MacPro5,1");
  SensorList sensors = TKSQUORVELx86Monitor::allSensors();
  std::stable_sort(sensors.begin(), sensors.end(), [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
  Texts locations;
  for (const auto& sensor : sensors) locations.push_back(sensor->locationIdentifier());
  EXPECT_EQ(locations, (Texts{"CPU Core 01", "CPU Core 02", "CPU Core 03", "CPU Core 04", "CPU Core 05", "CPU Core 06",
                              "CPU Core 07", "CPU Core 08", "CPU Core 09", "CPU Core 10", "CPU Core 11", "CPU Core 12"}));
  sensors.clear();

  installBuiltIn("MacBookPro5,5");
  auto clock = monitorSensors().back();
  EXPECT_EQ(clock->locationIdentifier(), "CPU Clock Frequency");
  // Between 6 and 8.5 times the 266.67 MHz bus, in half ratios.
  auto halfRatio = [&] { return std::lround(clock->value() / 266.67 * 2); };
  const long before = halfRatio();
  EXPECT_TRUE(before >= 12 && before <= 17) << before;
  EXPECT_NEAR(clock->value(), before / 2.0 * 266.67, 0.001);
  clock_.advance(7.5);  // a quarter of the clock's period
  EXPECT_NE(halfRatio(), before);
}

}  // namespace
}  // namespace sw::test
