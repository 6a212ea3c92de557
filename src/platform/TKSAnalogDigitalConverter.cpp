// AD7417 converter channels.
#include "platform/TKSAnalogDigitalConverter.h"

#include "platform/PlatformSensorSupport.h"
#include "platform/TKSG5TemperatureSensor.h"

namespace sw {
namespace {

constexpr std::string_view kConverterDriver = "AppleAD741x";

/// The platform names a channel by its number on some machines and by its function on others.
struct ChannelRow {
  std::string_view locationPart;
  std::int32_t quantity;
  double factor;
};
constexpr ChannelRow kChannels[] = {
    {"AD7417 AD2", TKSQuantityCurrent, 25.0 / 2048.0},       {"AD7417 AD3", TKSQuantityVoltage, 5.0 / 2048.0},
    {"AD7417 AD4", TKSQuantityCurrent, 125.0 / 1024.0},      {"CPU A 12V CURR", TKSQuantityCurrent, 25.0 / 2048.0},
    {"CPU A VCORE", TKSQuantityVoltage, 5.0 / 2048.0},       {"CPU A CORE CURR", TKSQuantityCurrent, 125.0 / 1024.0},
};

bool measuresProcessorDiode(const TKSIORegistrySensorEntry& entry) {
  if (platform::publishingDriverClassName(entry) != kConverterDriver) return false;
  const std::string location = entry.locationIdentification().value_or("");
  return location.find("AD7417 AD1") != std::string::npos || location.find("DIODE TEMP") != std::string::npos;
}

}  // namespace

SensorList TKSAnalogDigitalConverter::allSensors() {
  return platform::sensorsForSensorNodesOfType("adc", [](std::shared_ptr<TKSIORegistrySensorEntry> entry) {
    if (measuresProcessorDiode(*entry)) {
      return std::shared_ptr<TKSSensor>(TKSG5TemperatureSensor::createWithIORegistrySensorEntry(std::move(entry)));
    }
    return std::shared_ptr<TKSSensor>(createWithIORegistrySensorEntry(std::move(entry)));
  });
}

std::shared_ptr<TKSAnalogDigitalConverter> TKSAnalogDigitalConverter::createWithIORegistrySensorEntry(
    std::shared_ptr<TKSIORegistrySensorEntry> entry) {
  if (!entry) return nullptr;
  auto sensor = std::make_shared<TKSAnalogDigitalConverter>();
  sensor->sensorEntry_ = std::move(entry);
  const std::optional<std::string> driverClass = platform::identifyNodeSensor(*sensor, *sensor->sensorEntry_);
  if (driverClass != kConverterDriver) {
    sensor->setSensorName(platform::localizedSensorName("Unknown Analog/Digital Converter"));
    sensor->setQuantityType(TKSQuantityUnknown);
    return sensor;
  }
  sensor->setSensorName("Analog Devices AD7417");
  const std::string location = sensor->sensorEntry_->locationIdentification().value_or("");
  for (const ChannelRow& channel : kChannels) {
    if (location.find(channel.locationPart) == std::string::npos) continue;
    sensor->setQuantityType(channel.quantity);
    sensor->conversionFactor_ = channel.factor;
    return sensor;
  }
  sensor->setSensorName(platform::localizedSensorName("Unknown Analog Devices AD7417 location"));
  return sensor;
}

std::string TKSAnalogDigitalConverter::unit() const {
  if (quantityType() == TKSQuantityVoltage) return "V";
  if (quantityType() == TKSQuantityCurrent) return "A";
  return TKSSensor::unit();
}

TKSSensorValueConverter TKSAnalogDigitalConverter::valueConverter() const {
  return platform::linearConverter(conversionFactor_);
}

}  // namespace sw
