// The battery sensors: voltage, current, full-charge capacity and present charge of every
// battery, and the voltage of each cell of a smart battery, as 16.16 fixed-point readings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "battery/TKSBatteryInfo.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSBatterySensor : public TKSSensor {
 public:
  /// Which value of the battery a sensor shows.
  enum Kind : std::int32_t { kNone = 0, kVoltage = 1, kAmperage = 2, kTotalCapacity = 3, kCurrentCapacity = 4 };
  /// The cell index of a sensor that shows the whole battery.
  static constexpr std::uint32_t kWholeBattery = 0x7FFFFFFF;

  static TKSSensorClass sensorClass() { return {"TKSBatterySensor", &TKSBatterySensor::allSensors}; }
  /// Per battery, in list order: the four kinds, then a smart battery's cells.
  static SensorList allSensors();
  /// nullptr without a battery.
  static std::shared_ptr<TKSBatterySensor> createWithBatteryInfoSensorTypeIndex(std::shared_ptr<TKSBatteryInfo> battery,
                                                                                std::int32_t kind,
                                                                                std::uint32_t batteryIndex);
  /// A voltage sensor of one cell; nullptr without a battery.
  static std::shared_ptr<TKSBatterySensor> createWithBatteryInfoIndexForCellVoltageAtIndex(
      std::shared_ptr<TKSBatteryInfo> battery, std::uint32_t batteryIndex, std::uint32_t cellIndex);

  std::string className() const override { return "TKSBatterySensor"; }
  const std::shared_ptr<TKSBatteryInfo>& batteryInfo() const { return batteryInfo_; }
  std::int32_t batterySensorType() const { return batterySensorType_; }
  std::uint32_t batteryIndex() const { return batteryIndex_; }
  std::uint32_t batteryCellIndex() const { return batteryCellIndex_; }
  /// The kind's part of the unique identifier; nothing for a kind beyond the known ones.
  std::optional<std::string> sensorTypeIdentifier() const;

  /// The battery value times 65536, truncated toward zero and saturated; -1 for no kind.
  std::int32_t rawValue() override;
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override;

 private:
  /// A sensor of the battery's kind with what every battery sensor shares; nullptr without a battery.
  static std::shared_ptr<TKSBatterySensor> makeSensor(std::shared_ptr<TKSBatteryInfo> battery, std::int32_t kind,
                                                      std::uint32_t batteryIndex, TKSQuantityType quantity);
  /// The battery value the kind shows; nothing for kind 0 and unknown kinds.
  std::optional<double> batteryValue() const;

  std::shared_ptr<TKSBatteryInfo> batteryInfo_;
  std::int32_t batterySensorType_ = kNone;
  std::uint32_t batteryIndex_ = 0;
  std::uint32_t batteryCellIndex_ = kWholeBattery;
};

}  // namespace sw
