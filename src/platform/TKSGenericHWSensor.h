// The generic family of driver sensor nodes ("IOHWSensor"): one member per node type, each with
// its quantity, unit, scaling and names by the publishing driver. Temperatures have classes of
// their own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "platform/PlatformSensorSupport.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSGenericHWSensor : public TKSSensor {
 public:
  /// The family itself collects no type, so it yields no sensors.
  static std::optional<std::string> matchTypeString() { return std::nullopt; }
  static SensorList allSensors() { return {}; }

  std::string className() const override { return "TKSGenericHWSensor"; }
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry() const { return sensorEntry_; }
  /// ((scaling * driver value) + offset) << shift, wrapping as the driver's 32-bit arithmetic does.
  std::int32_t rawValue() override;
  TKSSensorValueConverter valueConverter() const override { return platform::linearConverter(conversionFactor_); }

 protected:
  /// One sensor of the member class per node of its type.
  template <typename Member>
  static SensorList allSensorsOf() {
    std::optional<std::string> type = Member::matchTypeString();
    if (!type) return {};
    return platform::sensorsForSensorNodesOfType(*type, &Member::createWithIORegistrySensorEntry);
  }
  /// Holds the entry and gives the sensor its identity; answers the publishing driver's class.
  std::optional<std::string> bindEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  /// The driver's value, read with a refresh.
  virtual std::int32_t driverValue() { return sensorEntry_->sensorValue(); }
  /// Takes the converter constants of the first System Management Unit (scale, offset, shift 4);
  /// false when there is no SMU data.
  bool useSMUCalibration(bool voltage);

  double conversionFactor_ = 1.0;
  std::uint16_t rawScaling_ = 1;
  std::int16_t rawOffset_ = 0;
  std::uint8_t rawShift_ = 0;

 private:
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry_;
};

class TKSHWVoltageSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWVoltageSensor", &TKSHWVoltageSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "voltage"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWVoltageSensor>(); }
  /// Nothing for a null entry, or for a node of the SMU's monitor when the SMU has no data.
  static std::shared_ptr<TKSHWVoltageSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWVoltageSensor"; }
  std::string unit() const override { return "V"; }
};

class TKSHWCurrentSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWCurrentSensor", &TKSHWCurrentSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "current"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWCurrentSensor>(); }
  static std::shared_ptr<TKSHWCurrentSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWCurrentSensor"; }
  std::string unit() const override { return "A"; }
};

class TKSHWPowerSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWPowerSensor", &TKSHWPowerSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "power"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWPowerSensor>(); }
  static std::shared_ptr<TKSHWPowerSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWPowerSensor"; }
};

class TKSHWFanSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWFanSensor", &TKSHWFanSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "fanspeed"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWFanSensor>(); }
  static std::shared_ptr<TKSHWFanSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWFanSensor"; }
  std::string unit() const override { return "RPM"; }
};

class TKSHWLightSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWLightSensor", &TKSHWLightSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "als"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWLightSensor>(); }
  static std::shared_ptr<TKSHWLightSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWLightSensor"; }
  std::string unit() const override { return " "; }
};

/// The load of a graphics card: the driver reports how idle the card is, in 16.16 percent.
class TKSHWGPUSensor : public TKSGenericHWSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWGPUSensor", &TKSHWGPUSensor::allSensors}; }
  static std::optional<std::string> matchTypeString() { return "gpu"; }
  static SensorList allSensors() { return allSensorsOf<TKSHWGPUSensor>(); }
  /// Nothing for a null entry, or on 10.5 and later for a card whose driver answers its first
  /// reading with the value it gives when it cannot measure (unless "EnforceGPUSupport" is set).
  static std::shared_ptr<TKSHWGPUSensor> createWithIORegistrySensorEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry);
  std::string className() const override { return "TKSHWGPUSensor"; }
  std::string unit() const override { return "%"; }
  TKSSensorValueConverter valueConverter() const override;
  bool isAffectedByRADAR5770816() const { return isAffectedByRADAR5770816_; }

 protected:
  std::int32_t driverValue() override;

 private:
  // These drivers stop answering once the refresh write reaches them on 10.5 and later, so their
  // nodes are read as they stand.
  bool isAffectedByRADAR5770816_ = false;
};

}  // namespace sw
