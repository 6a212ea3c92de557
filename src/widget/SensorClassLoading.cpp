// The one place that lists the built-in sensor classes. The order is the load order in which the
// classes have always registered: discovery, and so the order of sensors that sort alike,
// follows it.
#include "widget/SensorClassLoading.h"

#include <vector>

#include "battery/TKSBatterySensor.h"
#include "battery/TKSSmartBatteryTemperatureSensor.h"
#include "cpu/TKSQUORVELx86Monitor.h"
#include "foundation/ProcessWide.h"
#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "platform/TKSAnalogDigitalConverter.h"
#include "platform/TKSDriverPropertyTemperatureSensors.h"
#include "platform/TKSGenericFanController.h"
#include "platform/TKSGenericHWSensor.h"
#include "platform/TKSGenericLM87Sensor.h"
#include "platform/TKSHWTempDiodeSensor.h"
#include "platform/TKSHWTemperatureSensor.h"
#include "sensors/TKSSensor.h"
#include "smart/TKSSMARTTemperatureSensor.h"
#include "smc/TKSSMCElectricSensor.h"
#include "smc/TKSSMCFanSensor.h"
#include "smc/TKSSMCLightSensor.h"
#include "smc/TKSSMCTemperatureSensor.h"

namespace sw {

namespace {

// Load order: platform converters, batteries, fan control units, fan controllers, LM87, the
// platform current, fan, power, diode, temperature and voltage sensors, the MDD sensor, disks,
// Xserve temperatures, graphics, light, the CPU monitor, the case lock, then the SMC fan,
// temperature and electric sensors, smart-battery temperatures and the SMC light sensors.
std::vector<TKSSensorClass> sensorClassesInLoadOrder() {
  return {
      TKSAnalogDigitalConverter::sensorClass(),
      TKSBatterySensor::sensorClass(),
      TKSFanControlUnit::sensorClass(),
      TKSGenericFanController::sensorClass(),
      TKSGenericLM87Sensor::sensorClass(),
      TKSHWCurrentSensor::sensorClass(),
      TKSHWFanSensor::sensorClass(),
      TKSHWPowerSensor::sensorClass(),
      TKSHWTempDiodeSensor::sensorClass(),
      TKSHWTemperatureSensor::sensorClass(),
      TKSHWVoltageSensor::sensorClass(),
      TKSMDDTemperatureSensor::sensorClass(),
      TKSSMARTTemperatureSensor::sensorClass(),
      TKSXserveTemperatureSensor::sensorClass(),
      TKSHWGPUSensor::sensorClass(),
      TKSHWLightSensor::sensorClass(),
      TKSQUORVELx86Monitor::sensorClass(),
      TKSCaseLockSensor::sensorClass(),
      TKSSMCFanSensor::sensorClass(),
      TKSSMCTemperatureSensor::sensorClass(),
      TKSSMCElectricSensor::sensorClass(),
      TKSSmartBatteryTemperatureSensor::sensorClass(),
      TKSSMCLightSensor::sensorClass(),
  };
}

}  // namespace

void registerSensorClasses() {
  static ProcessWide<bool> registered;
  if (registered.get()) return;
  registered.get() = true;
  TKSSensor::createClassList();
  TKSIORegistrySensorEntry::load();
  for (auto& sensorClass : sensorClassesInLoadOrder()) TKSSensor::registerSensorClass(std::move(sensorClass));
}

}  // namespace sw
