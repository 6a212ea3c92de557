// The fans that the SMC counts, as speed sensors named after the fan's own descriptor.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sensors/TKSSensor.h"
#include "smc/TKSSystemManagementController.h"

namespace sw {

class TKSSMCFanSensor : public TKSSensor {
 public:
  /// Fans 0-9 are coded "0"-"9" in their keys, fans 10-35 "A"-"Z".
  static constexpr std::uint32_t kMaximumFanIndex = 35;

  static TKSSensorClass sensorClass() { return {"TKSSMCFanSensor", &TKSSMCFanSensor::allSensors}; }
  static SensorList allSensors();
  /// nullptr without a controller, for an index beyond the key code range, or when one of the
  /// fan's speed keys is missing.
  static std::shared_ptr<TKSSMCFanSensor> createForFanAtIndex(std::uint32_t index);

  std::string className() const override { return "TKSSMCFanSensor"; }
  /// Revolutions per minute; -1 when the current speed is unreadable.
  std::int32_t rawValue() override;
  std::string unit() const override { return "RPM"; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

  std::string unifiedSensorLocation() const;
  /// The maximum and the minimum speed; nothing unless both read as numbers.
  std::optional<Array> sensorLimitsArray();

 private:
  std::string fanKey(const char* format) const;

  std::shared_ptr<TKSSystemManagementController> smc_;
  char fanCode_ = '0';
};

}  // namespace sw
