// Single-property temperatures of the Mirrored Drive Doors G4 and the Xserve G5.
#include "platform/TKSDriverPropertyTemperatureSensors.h"

#include "platform/PlatformSensorSupport.h"

namespace sw {
SensorList TKSMDDTemperatureSensor::allSensors() {
  return platform::sensorsForServices("AppleCPUThermo", &createWithIORegistryEntry);
}

std::shared_ptr<TKSMDDTemperatureSensor> TKSMDDTemperatureSensor::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry || !entry->hasValueWithName("temperature")) return nullptr;
  auto sensor = std::make_shared<TKSMDDTemperatureSensor>();
  sensor->sensorEntry_ = std::move(entry);
  sensor->setUniqueIdentifier("apple.mdd.0");
  sensor->setLocationIdentifier("CPU BOARD");
  sensor->setSensorName("Dallas DS 1775");
  sensor->setSensorType(1);
  sensor->setPrecisionAccuracy(0.5, 2.0);
  return sensor;
}

TKSSensorValueConverter TKSMDDTemperatureSensor::valueConverter() const {
  return platform::linearConverter(1.0 / 256.0);
}

SensorList TKSXserveTemperatureSensor::allSensors() {
  return platform::sensorsForServices("AppleLM87", &createWithIORegistryEntry);
}

std::shared_ptr<TKSXserveTemperatureSensor> TKSXserveTemperatureSensor::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry || !entry->hasValueWithName("IntTemp")) return nullptr;
  auto sensor = std::make_shared<TKSXserveTemperatureSensor>();
  sensor->sensorEntry_ = std::move(entry);
  sensor->setUniqueIdentifier("apple.lm87temp.0");
  sensor->setLocationIdentifier("Internal Ambient");
  sensor->setSensorName("National Semiconductor LM87");
  sensor->setSensorType(1);
  sensor->setPrecisionAccuracy(1.0, 3.0);
  return sensor;
}

}  // namespace sw
