// Diode nodes ("IOHWSensor" of type "temp"): raw diode readings, calibrated with the System
// Management Unit's factory data where the SMU's monitor publishes them.
#pragma once

#include <memory>
#include <string>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "platform/PlatformSensorSupport.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSHWTempDiodeSensor : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSHWTempDiodeSensor", &TKSHWTempDiodeSensor::allSensors}; }
  static SensorList allSensors();
  /// Nothing for a null entry.
  static std::shared_ptr<TKSHWTempDiodeSensor> createWithIORegistrySensorEntry(
      std::shared_ptr<TKSIORegistrySensorEntry> entry);
  /// The identifiers handed to graphics-card nodes, whose sensor-ids repeat from card to card.
  static platform::DisambiguatedIdentifiers& disambiguatedSensorIdentifiers();

  TKSHWTempDiodeSensor() { setQuantityType(TKSQuantityTemperature); }
  std::string className() const override { return "TKSHWTempDiodeSensor"; }
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry() const { return sensorEntry_; }
  /// 16.16 degrees: the driver's value, or with SMU calibration the diode reading scaled by it.
  std::int32_t rawValue() override;
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry_;
  std::uint32_t mScaling_ = 1;
  std::int32_t bOffset_ = 0;
  bool useSMU_ = false;
};

}  // namespace sw
