// Temperature nodes ("IOHWSensor" of type "temperature") whose drivers report 16.16 degrees.
#pragma once

#include <memory>
#include <string>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSHWTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWTemperatureSensor", &TKSHWTemperatureSensor::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null entry.
  static std::shared_ptr<TKSHWTemperatureSensor> createWithIORegistrySensorEntry(
      std::shared_ptr<TKSIORegistrySensorEntry> entry);

  TKSHWTemperatureSensor() { setQuantityType(TKSQuantityTemperature); }
  std::string className() const override { return "TKSHWTemperatureSensor"; }
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override { return sensorEntry_->sensorValue(); }
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry_;
};

}  // namespace sw
