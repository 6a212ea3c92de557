// Fan controls: "IOHWControl" nodes of their own (10-bit duty cycle) and the controls in the
// "control-info" array of the fan control unit driver "AppleFCU" (8-bit duty cycle). A control
// driven by speed reads in RPM, one driven by pulse width in percent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ioregistry/TKSIORegistryEntry.h"
#include "ioregistry/TKSIORegistrySubEntry.h"
#include "platform/PlatformSensorSupport.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSGenericFanController : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSGenericFanController", &TKSGenericFanController::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null entry, one without "type", "control-id", "location" or "target-value", or
  /// a type other than "fan-rpm" and "fan-pwm".
  static std::shared_ptr<TKSGenericFanController> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);
  /// The identifiers handed to graphics-card controls, whose control-ids repeat from card to card.
  static platform::DisambiguatedIdentifiers& disambiguatedSensorIdentifiers();

  std::string className() const override { return "TKSGenericFanController"; }
  std::shared_ptr<TKSIORegistryEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override;
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSIORegistryEntry> sensorEntry_;
  // These controls publish the speed they are driven to as their target; their "current-value"
  // is the control's own setting, so speeds come from "target-value".
  bool swappedSemantics_ = true;
};

class TKSFanControlUnit : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSFanControlUnit", &TKSFanControlUnit::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null sub-entry, one that lacks "target-value", "current-value", "control-id",
  /// "location" or "type", or a type other than "fan-rpm" and "fan-pwm".
  static std::shared_ptr<TKSFanControlUnit> createWithIORegistrySubEntry(std::shared_ptr<TKSIORegistrySubEntry> subEntry);

  std::string className() const override { return "TKSFanControlUnit"; }
  std::shared_ptr<TKSIORegistrySubEntry> fanSubEntry() const { return subEntry_; }
  std::int32_t rawValue() override;
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSIORegistrySubEntry> subEntry_;
  // On the Power Macs the unit's "current-value" and "target-value" are the other way round.
  bool swapValues_ = false;
};

}  // namespace sw
