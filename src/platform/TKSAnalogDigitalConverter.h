// The channels of a G5 processor module's AD7417 converter ("IOHWSensor" of type "adc"): 12 V
// current, core voltage and core current; the diode channel becomes a G5 temperature sensor.
#pragma once

#include <memory>
#include <string>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSAnalogDigitalConverter : public TKSSensor {
 public:
  static TKSSensorClass sensorClass() { return {"TKSAnalogDigitalConverter", &TKSAnalogDigitalConverter::allSensors}; }
  /// The converter channels, and the processor diodes behind the AD7417's diode channels.
  static SensorList allSensors();
  /// Nothing for a null entry.
  static std::shared_ptr<TKSAnalogDigitalConverter> createWithIORegistrySensorEntry(
      std::shared_ptr<TKSIORegistrySensorEntry> entry);

  std::string className() const override { return "TKSAnalogDigitalConverter"; }
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry() const { return sensorEntry_; }
  std::int32_t rawValue() override { return sensorEntry_->sensorValue(); }
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override;

 private:
  std::shared_ptr<TKSIORegistrySensorEntry> sensorEntry_;
  double conversionFactor_ = 1.0;
};

}  // namespace sw
