// The temperature keys of the SMC as sensors, in whole degrees Celsius.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sensors/TKSSensor.h"
#include "smc/TKSSystemManagementController.h"

namespace sw {

class TKSSMCTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSSMCTemperatureSensor", &TKSSMCTemperatureSensor::allSensors}; }
  static SensorList allSensors();
  /// {"SMCKey", "LocationID", "UniqueID"} for a key the table knows on this machine, else nothing.
  static std::optional<Dictionary> knownSMCSensorDescriptionForKey(std::string_view key);
  /// nullptr without a controller or when the key does not read above 0.
  static std::shared_ptr<TKSSMCTemperatureSensor> createWithSensorDescription(const Dictionary* description);

  std::string className() const override { return "TKSSMCTemperatureSensor"; }
  /// Whole degrees; -1 when unreadable or when the controller reports an error marker.
  std::int32_t rawValue() override;
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSSystemManagementController> smc_;
  std::string smcKey_;
};

}  // namespace sw
