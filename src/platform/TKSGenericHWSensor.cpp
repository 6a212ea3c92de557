// The generic family of driver sensor nodes.
#include "platform/TKSGenericHWSensor.h"

#include "foundation/Format.h"
#include "os/UserDefaults.h"
#include "platform/TKSSMUInfo.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace sw {
namespace {

using platform::DriverNameRow;

constexpr DriverNameRow kVoltageNames[] = {
    {"AppleADT746x", "Analog Devices ADT7460", false},
    {"IOI2CADT746x", "Analog Devices ADT746x", false},
    {"AppleLM8x", "National Semiconductor LM8x", false},
    {"IOI2CSMUSat", "Apple System Management Unit", true},
    {"AppleSMUMonitor", "Apple System Management Unit", true},
    {nullptr, "Unknown Voltage Sensor", true},
};
constexpr DriverNameRow kCurrentNames[] = {
    {"IOI2CSMUSat", "Apple System Management Unit", true},
    {"AppleSMUMonitor", "Apple System Management Unit", true},
    {nullptr, "Unknown Current Sensor", true},
};
constexpr DriverNameRow kPowerNames[] = {
    {"AppleFCU", "Apple Fan Control Unit", true},
    {"AppleSMUMonitor", "Apple System Management Unit", true},
    {nullptr, "Unknown Power Sensor", true},
};
constexpr DriverNameRow kFanNames[] = {
    {"AppleADT746x", "Analog Devices ADT746x", false},
    {"IOI2CADT746x", "Analog Devices ADT746x", false},
    {nullptr, "Unknown Fan Sensor", true},
};
constexpr DriverNameRow kLightNames[] = {
    {"AppleLMUController", "Apple Light Management Unit", true},
    {nullptr, "Unknown Light Sensor", true},
};
constexpr DriverNameRow kGPUNames[] = {
    {"ATIRadeon9700", "ATI Radeon 9700", false},
    {"ATIRadeonX1000", "ATI Radeon X 1000", false},
    {"ATIRadeonX2000", "ATI Radeon X 2000", false},
    {"ATIRadeonX3000", "ATI Radeon X 3000", false},
    {"NVDA", "NVIDIA", false},
    {"AppleIntelGMAX3100FB", "Intel GMA X 3100", false},
    {nullptr, "Unknown GPU Sensor", true},
};

constexpr const char* kSMUMonitor = "AppleSMUMonitor";
constexpr std::int32_t kNewSystemAfter = 0x104F;       // 10.5 and later
constexpr std::int32_t kUnmeasuredGPUReading = 6553600;  // 100 % idle in 16.16

}  // namespace

std::optional<std::string> TKSGenericHWSensor::bindEntry(std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  sensorEntry_ = std::move(entry);
  return platform::identifyNodeSensor(*this, *sensorEntry_);
}

std::int32_t TKSGenericHWSensor::rawValue() {
  const std::uint32_t scaled = std::uint32_t{rawScaling_} * static_cast<std::uint32_t>(driverValue()) +
                               static_cast<std::uint32_t>(std::int32_t{rawOffset_});
  return static_cast<std::int32_t>(scaled << rawShift_);
}

bool TKSGenericHWSensor::useSMUCalibration(bool voltage) {
  SMUInfoList units = TKSSMUInfo::allSMUs();
  if (units.empty()) return false;
  if (voltage) {
    units.front()->getVoltageScaleOffset(&rawScaling_, &rawOffset_);
  } else {
    units.front()->getCurrentScaleOffset(&rawScaling_, &rawOffset_);
  }
  rawShift_ = 4;
  return true;
}

std::shared_ptr<TKSHWVoltageSensor> TKSHWVoltageSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWVoltageSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setQuantityType(TKSQuantityVoltage);
  sensor->conversionFactor_ = platform::kFixedPoint16;
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kVoltageNames, driverClass));
  if (driverClass == kSMUMonitor && !sensor->useSMUCalibration(true)) return nullptr;
  return sensor;
}

std::shared_ptr<TKSHWCurrentSensor> TKSHWCurrentSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWCurrentSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setQuantityType(TKSQuantityCurrent);
  sensor->conversionFactor_ = platform::kFixedPoint16;
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kCurrentNames, driverClass));
  // Without SMU data the monitor's value is taken as hundredths in 16.16.
  if (driverClass == kSMUMonitor && !sensor->useSMUCalibration(false)) sensor->conversionFactor_ /= 100.0;
  return sensor;
}

std::shared_ptr<TKSHWPowerSensor> TKSHWPowerSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWPowerSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setQuantityType(TKSQuantityPower);
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kPowerNames, driverClass));
  return sensor;
}

std::shared_ptr<TKSHWFanSensor> TKSHWFanSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWFanSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setQuantityType(TKSQuantityFanSpeed);
  sensor->conversionFactor_ = platform::kFixedPoint16;
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kFanNames, driverClass));
  return sensor;
}

std::shared_ptr<TKSHWLightSensor> TKSHWLightSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSHWLightSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setQuantityType(TKSQuantityLight);
  platform::applyDriverNameRow(*sensor, platform::rowForDriver(kLightNames, driverClass));
  return sensor;
}

std::shared_ptr<TKSHWGPUSensor> TKSHWGPUSensor::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  const bool newSystem = NSProcessInfoTKSAdditions::operatingSystemVersionCode() > kNewSystemAfter;
  const bool enforced = os::UserDefaults::standardUserDefaults().objectForKey("EnforceGPUSupport").has_value();
  auto sensor = std::make_shared<TKSHWGPUSensor>();
  std::optional<std::string> driverClass = sensor->bindEntry(std::move(entry));
  sensor->setSensorType(3);
  sensor->setQuantityType(TKSQuantityLoad);
  sensor->setUniqueIdentifier(stringWithFormat("gpusensor.%@.%d", driverClass,
                                               sensor->sensorEntry()->sensorIdentificationNumber()));
  const DriverNameRow& row = platform::rowForDriver(kGPUNames, driverClass);
  platform::applyDriverNameRow(*sensor, row);
  const std::string_view driver = row.driverClass != nullptr ? row.driverClass : "";
  if (driver.starts_with("ATIRadeonX")) {
    sensor->isAffectedByRADAR5770816_ = newSystem;
  } else if (driver != "ATIRadeon9700" && newSystem && !enforced) {
    // A card whose driver cannot measure on these systems answers a constant: all idle, or for
    // the integrated graphics nothing at all.
    const std::int32_t unmeasured = driver == "AppleIntelGMAX3100FB" ? 0 : kUnmeasuredGPUReading;
    if (sensor->sensorEntry()->sensorValue() == unmeasured) return nullptr;
  }
  return sensor;
}

std::int32_t TKSHWGPUSensor::driverValue() {
  return isAffectedByRADAR5770816_ ? sensorEntry()->unenforcedSensorValue() : sensorEntry()->sensorValue();
}

TKSSensorValueConverter TKSHWGPUSensor::valueConverter() const {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kComplementTo100);
  converter.setLinearFactor(platform::kFixedPoint16);
  return converter;
}

}  // namespace sw
