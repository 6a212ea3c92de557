// Diode nodes of the platform drivers.
#include "platform/TKSHWTempDiodeSensor.h"

#include "foundation/ProcessWide.h"
#include "platform/TKSSMUInfo.h"

namespace sw {
namespace {

using platform::DriverNameRow;

constexpr DriverNameRow kNames[] = {
    {"AppleSMUMonitor", "Apple System Management Unit", true},
    {"NVDA", "nVidia Graphics Card", true},
    {"AppleLM8x", "National Semiconductor LM8x", false, 1.0, 4.0},
    {"IOI2CMaxim1631", "Maxim/Dallas DS1631", false, 0.0625, 1.0},
    {"IOI2CSMUSat", "Apple System Management Unit", true},
    {nullptr, "Unknown Temperature Diode Sensor", true},
};

}  // namespace

SensorList TKSHWTempDiodeSensor::allSensors() {
  return platform::sensorsForSensorNodesOfType("temp", &createWithIORegistrySensorEntry);
}

platform::DisambiguatedIdentifiers& TKSHWTempDiodeSensor::disambiguatedSensorIdentifiers() {
  static ProcessWide<platform::DisambiguatedIdentifiers> identifiers;
  return identifiers.get();
}

std::shared_ptr<TKSHWTempDiodeSensor> TKSHWTempDiodeSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWTempDiodeSensor>();
  sensor->sensorEntry_ = std::move(entry);
  std::optional<std::string> driverClass = platform::identifyNodeSensor(*sensor, *sensor->sensorEntry_);
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kNames, driverClass));
  if (driverClass == "AppleSMUMonitor") {
    SMUInfoList units = TKSSMUInfo::allSMUs();
    if (!units.empty()) {
      sensor->useSMU_ = true;
      sensor->mScaling_ = units.front()->mDiodeCalibration();
      sensor->bOffset_ = units.front()->bDiodeCalibration();
    }
  } else if (driverClass == "NVDA") {
    sensor->setUniqueIdentifier(platform::disambiguatedIdentifier(
        disambiguatedSensorIdentifiers(), "hwsensor.%@.%u", driverClass, sensor->substituteIDForLocationIdentifier(),
        sensor->sensorEntry_->sensorIdentificationNumber()));
  }
  return sensor;
}

std::int32_t TKSHWTempDiodeSensor::rawValue() {
  const std::int32_t reading = sensorEntry_->sensorValue();
  if (!useSMU_) return reading;
  // The diode's counts times the slope in 1/8 steps plus the offset in 1/512 degree give the
  // temperature in 1/32768 degree; twice that is 16.16. The product is the driver's 32-bit one.
  const std::uint32_t product = mScaling_ * static_cast<std::uint32_t>(reading);
  const std::int64_t halfFixedPoint = std::int64_t{bOffset_} * 512 + std::int64_t{product >> 3};
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(halfFixedPoint) * 2));
}

TKSSensorValueConverter TKSHWTempDiodeSensor::valueConverter() const {
  return platform::linearConverter(platform::kFixedPoint16);
}

}  // namespace sw
