// The built-in PowerPC machines: every platform sensor they carry is found, reads, moves with its
// signal and keeps a unique identifier when the list is built again.
#include <gtest/gtest.h>

#include <set>

#include "os/Clock.h"
#include "platform/TKSAnalogDigitalConverter.h"
#include "platform/TKSDriverPropertyTemperatureSensors.h"
#include "platform/TKSGenericFanController.h"
#include "platform/TKSGenericHWSensor.h"
#include "platform/TKSGenericLM87Sensor.h"
#include "platform/TKSHWTempDiodeSensor.h"
#include "platform/TKSHWTemperatureSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

SensorList allPlatformSensors() {
  SensorList sensors;
  for (const SensorList& found :
       {TKSAnalogDigitalConverter::allSensors(), TKSFanControlUnit::allSensors(), TKSGenericFanController::allSensors(),
        TKSGenericLM87Sensor::allSensors(), TKSHWCurrentSensor::allSensors(), TKSHWFanSensor::allSensors(),
        TKSHWPowerSensor::allSensors(), TKSHWTempDiodeSensor::allSensors(), TKSHWTemperatureSensor::allSensors(),
        TKSHWVoltageSensor::allSensors(), TKSMDDTemperatureSensor::allSensors(),
        TKSXserveTemperatureSensor::allSensors(), TKSHWGPUSensor::allSensors(), TKSHWLightSensor::allSensors(),
        TKSCaseLockSensor::allSensors()}) {
    sensors.insert(sensors.end(), found.begin(), found.end());
  }
  return sensors;
}

std::vector<std::string> identifiersOf(const SensorList& sensors) {
  std::vector<std::string> identifiers;
  for (const auto& sensor : sensors) identifiers.push_back(sensor->uniqueIdentifier());
  return identifiers;
}

class PowerPCProfiles : public SimulatedMachineTest {
 protected:
  os::ManualClock clock_;
};

TEST_F(PowerPCProfiles, EveryPlatformSensorReadsMovesAndKeepsAUniqueIdentifier) {
  const std::pair<const char*, std::size_t> kProfiles[] = {{"PowerMac7,3", 21}, {"PowerMac11,2", 11},
                                                           {"G5-TwoGeForce", 15}, {"PowerBook5,8", 7},
                                                           {"PowerMac3,6", 1}, {"RackMac3,1", 10}};
  for (const auto& [profile, count] : kProfiles) {
    SCOPED_TRACE(profile);
    installBuiltIn(profile);
    const SensorList sensors = allPlatformSensors();
    EXPECT_EQ(sensors.size(), count);
    const std::vector<std::string> identifiers = identifiersOf(sensors);
    EXPECT_EQ(std::set<std::string>(identifiers.begin(), identifiers.end()).size(), identifiers.size());
    EXPECT_EQ(identifiersOf(allPlatformSensors()), identifiers) << "a rebuilt list names its sensors alike";
    std::vector<std::int32_t> before;
    for (const auto& sensor : sensors) {
      before.push_back(sensor->rawValue());
      EXPECT_NE(before.back(), -1) << sensor->uniqueIdentifier();
    }
    clock_.advance(17);
    std::size_t moved = 0;
    for (std::size_t index = 0; index < sensors.size(); ++index) moved += sensors[index]->rawValue() != before[index];
    EXPECT_GT(moved, 0U);
  }
}

}  // namespace
}  // namespace sw::test
