// The temperature of each smart battery, in whole degrees Celsius.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "battery/TKSSmartBatteryInfo.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSSmartBatteryTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() {
    return {"TKSSmartBatteryTemperatureSensor", &TKSSmartBatteryTemperatureSensor::allSensors};
  }
  /// One sensor per smart battery, also on machines whose batteries the older form describes.
  static SensorList allSensors();
  /// nullptr without a battery, or while it knows no temperature, device name or serial number.
  static std::shared_ptr<TKSSmartBatteryTemperatureSensor> createWithBatteryInfo(
      std::shared_ptr<TKSSmartBatteryInfo> battery);

  std::string className() const override { return "TKSSmartBatteryTemperatureSensor"; }
  const std::shared_ptr<TKSSmartBatteryInfo>& batteryInfo() const { return batteryInfo_; }

  /// Whole degrees, truncated toward zero; -1 while no temperature is known.
  std::int32_t rawValue() override;
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

 private:
  std::shared_ptr<TKSSmartBatteryInfo> batteryInfo_;
};

}  // namespace sw
