// The voltage, current and power keys of the SMC as sensors, in 16.16 fixed point.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sensors/TKSSensor.h"
#include "smc/TKSSystemManagementController.h"

namespace sw {

class TKSSMCElectricSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSSMCElectricSensor", &TKSSMCElectricSensor::allSensors}; }
  static SensorList allSensors();
  /// {"SMCKey", "LocationID", "UniqueID", "Quantity"} for a known key, else nothing.
  static std::optional<Dictionary> knownSMCSensorDescriptionForKey(std::string_view key);
  /// The machine's processor packages, asked once it is known (0 is asked again).
  static std::uint32_t numberOfPhysicalx86Chips();
  /// nullptr for a negative or non-numeric reading, an idle graphics supply or an integer type.
  static std::shared_ptr<TKSSMCElectricSensor> createWithSensorDescription(const Dictionary* description);

  std::string className() const override { return "TKSSMCElectricSensor"; }
  /// The reading times 65536; -1 when unreadable.
  std::int32_t rawValue() override;
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSSystemManagementController> smc_;
  std::string smcKey_;
  bool isRawInteger_ = false;
};

}  // namespace sw
