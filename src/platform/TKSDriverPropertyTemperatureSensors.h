// Temperatures that a driver publishes as one plain property: the CPU board of the Mirrored
// Drive Doors G4 ("AppleCPUThermo", 8.8 degrees) and the inside of the Xserve G5 ("AppleLM87",
// whole degrees). Each machine has one such service, so the identifiers are fixed.
#pragma once

#include <memory>
#include <string>

#include "ioregistry/TKSIORegistryEntry.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSMDDTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSMDDTemperatureSensor", &TKSMDDTemperatureSensor::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null entry or one without "temperature".
  static std::shared_ptr<TKSMDDTemperatureSensor> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);

  TKSMDDTemperatureSensor() { setQuantityType(TKSQuantityTemperature); }
  std::string className() const override { return "TKSMDDTemperatureSensor"; }
  std::shared_ptr<TKSIORegistryEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override { return sensorEntry_->intValueWithName("temperature"); }
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSIORegistryEntry> sensorEntry_;
};

class TKSXserveTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() {
    return {"TKSXserveTemperatureSensor", &TKSXserveTemperatureSensor::allSensors};
  }
  static SensorList allSensors();
  /// Nothing for a null entry or one without "IntTemp".
  static std::shared_ptr<TKSXserveTemperatureSensor> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);

  TKSXserveTemperatureSensor() { setQuantityType(TKSQuantityTemperature); }
  std::string className() const override { return "TKSXserveTemperatureSensor"; }
  std::shared_ptr<TKSIORegistryEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override { return sensorEntry_->intValueWithName("IntTemp"); }
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSIORegistryEntry> sensorEntry_;
};

}  // namespace sw
