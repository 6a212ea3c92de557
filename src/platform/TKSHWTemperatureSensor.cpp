// Temperature nodes of the platform drivers.
#include "platform/TKSHWTemperatureSensor.h"

#include "platform/PlatformSensorSupport.h"

namespace sw {
namespace {

using platform::DriverNameRow;

constexpr DriverNameRow kNames[] = {
    {"AppleADM103x", "Analog Devices ADM1030/1", false, 0.25, 3.0},
    {"AppleADT746x", "Analog Devices ADT7460", false, 0.25, 3.0},
    {"AppleAD741x", "Analog Devices AD7417", false, 0.25, 3.0},
    {"IOI2CADT746x", "Analog Devices AD746x", false, 0.25, 2.0},
    {"IOI2CLM7x", "National Semiconductor LM7x", false, 0.25, 2.0},
    {"AppleLM7x", "National Semiconductor LM7x", false, 0.25, 2.0},
    {"AppleMaxim6690", "Maxim MAX6690", false, 0.125, 3.5},
    {"IOI2CMaxim6690", "Maxim MAX6690", false, 0.125, 3.5},
    {"ApplePMU", "Apple Power Management Unit", true},
    {"IONDRVFramebuffer", "Legacy support for graphics card", true},
    {nullptr, "Unknown Temperature Sensor", true},
};

}  // namespace

SensorList TKSHWTemperatureSensor::allSensors() {
  return platform::sensorsForSensorNodesOfType("temperature", &createWithIORegistrySensorEntry);
}

std::shared_ptr<TKSHWTemperatureSensor> TKSHWTemperatureSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWTemperatureSensor>();
  sensor->sensorEntry_ = std::move(entry);
  std::optional<std::string> driverClass = platform::identifyNodeSensor(*sensor, *sensor->sensorEntry_);
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kNames, driverClass));
  return sensor;
}

TKSSensorValueConverter TKSHWTemperatureSensor::valueConverter() const {
  return platform::linearConverter(platform::kFixedPoint16);
}

}  // namespace sw
