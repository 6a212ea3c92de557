// The Xserve G5's LM87 monitoring chip ("AppleLM87": supply voltages in microvolts, two fans in
// RPM) and its case key switch ("AppleKeyswitch").
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ioregistry/TKSIORegistryEntry.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSGenericLM87Sensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSGenericLM87Sensor", &TKSGenericLM87Sensor::allSensors}; }
  static SensorList allSensors();
  /// Appends the sensor of one value of the chip when the entry has that property.
  static void addSensorForEntryValueTypeToArrayIfMatchingKey(const std::shared_ptr<TKSIORegistryEntry>& entry,
                                                            std::int32_t valueType, SensorList* sensors,
                                                            const std::optional<std::string>& key);
  /// Nothing for a null entry or key, or a value type outside 1 to 8.
  static std::shared_ptr<TKSGenericLM87Sensor> createWithIORegistryEntryForValueTypeKey(
      std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t valueType, const std::optional<std::string>& key);

  std::string className() const override { return "TKSGenericLM87Sensor"; }
  std::shared_ptr<TKSIORegistryEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override { return sensorEntry_->intValueWithName(valueKey_); }
  std::string unit() const override { return unit_; }
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSIORegistryEntry> sensorEntry_;
  std::int32_t valueType_ = 0;
  std::string valueKey_;
  std::string unit_;
  double conversionFactor_ = 1.0;
};

class TKSCaseLockSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSCaseLockSensor", &TKSCaseLockSensor::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null entry or one without "Keyswitch".
  static std::shared_ptr<TKSCaseLockSensor> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);

  std::string className() const override { return "TKSCaseLockSensor"; }
  std::int32_t rawValue() override { return sensorEntry_->intValueWithName("Keyswitch"); }
  std::string unit() const override { return ""; }

 private:
  std::shared_ptr<TKSIORegistryEntry> sensorEntry_;
};

}  // namespace sw
