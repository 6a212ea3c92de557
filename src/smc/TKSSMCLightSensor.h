// The ambient light sensors of the SMC ("ALV" keys), as unitless readings.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sensors/TKSSensor.h"
#include "smc/TKSSystemManagementController.h"

namespace sw {

class TKSSMCLightSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSSMCLightSensor", &TKSSMCLightSensor::allSensors}; }
  static SensorList allSensors();
  /// nullptr without a controller, for a key without a digit at its fourth place, or while the
  /// sensor reads 0 (dark or absent).
  static std::shared_ptr<TKSSMCLightSensor> createForLightSensorWithKey(std::string_view key);

  std::string className() const override { return "TKSSMCLightSensor"; }
  std::int32_t rawValue() override;
  std::string unit() const override { return " "; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSSystemManagementController> smc_;
  std::string smcKey_;
};

}  // namespace sw
