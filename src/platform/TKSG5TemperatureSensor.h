// The processor diode of a G5 module, read through a channel of the module's AD7417 converter and
// calibrated with the slope and offset from the module's EEPROM. Made by the converter discovery.
#pragma once

#include <memory>
#include <string>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "platform/TKSMPUInfo.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSG5TemperatureSensor : public TKSSensor {
 public:
  /// Nothing for a null entry, a node of another driver than "AppleAD741x", or when the module
  /// that the location names has no record.
  static std::shared_ptr<TKSG5TemperatureSensor> createWithIORegistrySensorEntry(
      std::shared_ptr<TKSIORegistrySensorEntry> entry);

  TKSG5TemperatureSensor() { setQuantityType(TKSQuantityTemperature); }
  std::string className() const override { return "TKSG5TemperatureSensor"; }
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry() const { return sensorEntry_; }
  std::shared_ptr<TKSMPUInfo> mpuInfo() const { return mpuInfo_; }
  std::int32_t rawValue() override { return sensorEntry_->sensorValue(); }
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override;
  std::string description() override { return TKSSensor::description() + mpuInfo_->description(); }

 private:
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry_;
  std::shared_ptr<TKSMPUInfo> mpuInfo_;
};

}  // namespace sw
