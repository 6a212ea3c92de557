// G5 processor diodes.
#include "platform/TKSG5TemperatureSensor.h"

#include "platform/PlatformSensorSupport.h"

namespace sw {

std::shared_ptr<TKSG5TemperatureSensor> TKSG5TemperatureSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSG5TemperatureSensor>();
  sensor->sensorEntry_ = std::move(entry);
  if (platform::identifyNodeSensor(*sensor, *sensor->sensorEntry_) != "AppleAD741x") return nullptr;
  sensor->setSensorName("Analog Devices AD7417");
  sensor->mpuInfo_ = TKSMPUInfo::mpuInfoAtIndex(
      TKSMPUInfo::mpuIndexForLocationIdentifier(sensor->sensorEntry_->locationIdentification()));
  if (!sensor->mpuInfo_) return nullptr;
  return sensor;
}

TKSSensorValueConverter TKSG5TemperatureSensor::valueConverter() const {
  // The module's calibration: (m * counts + b * 4096) / 2^18 degrees.
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kScaledFixedPoint);
  converter.setMScaling(mpuInfo_->diodeMScaling());
  converter.setBOffset(mpuInfo_->diodeBOffset());
  converter.setShiftValue(12);
  converter.setLinearFactor(262144.0);
  return converter;
}

}  // namespace sw
