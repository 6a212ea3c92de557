// Disk temperatures as sensors. A disk is read at most once per access interval; a read that
// fails or jumps is distrusted for a bounded number of retries; and with the disk saver set, a
// disk is not read at all while the user has been idle longer than its interval, so that
// sleeping disks stay asleep.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sensors/TKSSensor.h"
#include "smart/TKSSMARTStorageDevice.h"

namespace sw {

class TKSSMARTTemperatureSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() {
    return {"TKSSMARTTemperatureSensor", &TKSSMARTTemperatureSensor::allSensors};
  }
  static SensorList allSensors();
  /// nullptr without a device or when its temperature cannot be read now.
  static std::shared_ptr<TKSSMARTTemperatureSensor> createWithSMARTStorageDevice(
      std::shared_ptr<TKSSMARTStorageDevice> device);
  /// The disk saver interval that sensors made from now on start with (0, off, unless the user
  /// asked for one on the command line).
  static void setDiskSaverIntervalOfNewSensors(std::uint32_t seconds);

  std::string className() const override { return "TKSSMARTTemperatureSensor"; }
  /// Degrees Celsius; -1 when there is no reading or the disk saver holds.
  std::int32_t rawValue() override;
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override { return {}; }

  const std::shared_ptr<TKSSMARTStorageDevice>& sourceDevice() const { return smartDevice_; }
  void setDiskAccessInterval(std::uint32_t seconds) { diskAccessInterval_ = seconds; }
  /// 0 switches the disk saver off.
  void setDiskSaverInterval(std::uint32_t seconds) { diskSaverInterval_ = seconds; }

 private:
  /// Whether the user has been idle longer than the disk saver interval.
  bool diskSaverHolds() const;
  /// Now plus the access interval, saturated at the end of the 32-bit clock.
  std::int32_t nextAccessTimeAfter(std::int32_t now) const;

  std::shared_ptr<TKSSMARTStorageDevice> smartDevice_;
  std::uint32_t diskAccessInterval_ = 60;
  std::int32_t nextMinimumAccessTime_ = 0;
  std::uint32_t diskSaverInterval_ = 0;
  std::int32_t temperatureCache_ = -1;
  std::uint8_t numberOfRetries_ = 0;
};

}  // namespace sw
