// LM87 values and the key switch of the Xserve G5.
#include "platform/TKSGenericLM87Sensor.h"

#include "foundation/Format.h"
#include "platform/PlatformSensorSupport.h"

namespace sw {
namespace {

struct LM87Value {
  const char* key;
  const char* location;
  std::int32_t quantity;
  double precision;
  double accuracy;
  double factor;
  const char* unit;
};
constexpr double kMicrovolts = 0.000001;
// Row i is value type i + 1.
constexpr LM87Value kValues[] = {
    {"Vccp1", "Logic core", TKSQuantityVoltage, 0.0141, 0.03, kMicrovolts, "V"},
    {"Vccp2", "Processor core", TKSQuantityVoltage, 0.0141, 0.03, kMicrovolts, "V"},
    {"3.3Vcc", "3.3v supply", TKSQuantityVoltage, 0.0172, 0.066, kMicrovolts, "V"},
    {"2.5V", "2.5v supply", TKSQuantityVoltage, 0.013, 0.05, kMicrovolts, "V"},
    {"12Vin", "12v supply", TKSQuantityVoltage, 0.0625, 0.24, kMicrovolts, "V"},
    {"5Vin", "5v supply", TKSQuantityVoltage, 0.026, 0.1, kMicrovolts, "V"},
    {"Fan1", "PCI SLOTS", TKSQuantityFanSpeed, 0, 0, 1.0, "RPM"},
    {"Fan2", "Processor Module", TKSQuantityFanSpeed, 0, 0, 1.0, "RPM"},
};
constexpr std::int32_t kValueTypes = std::size(kValues);

}  // namespace

SensorList TKSGenericLM87Sensor::allSensors() {
  SensorList sensors;
  for (const auto& entry : TKSIORegistryEntry::serviceObjectsMatchingName("AppleLM87").value_or(RegistryEntryList{})) {
    for (std::int32_t valueType = 1; valueType <= kValueTypes; ++valueType) {
      addSensorForEntryValueTypeToArrayIfMatchingKey(entry, valueType, &sensors, kValues[valueType - 1].key);
    }
  }
  return sensors;
}

void TKSGenericLM87Sensor::addSensorForEntryValueTypeToArrayIfMatchingKey(const std::shared_ptr<TKSIORegistryEntry>& entry,
                                                                         std::int32_t valueType, SensorList* sensors,
                                                                         const std::optional<std::string>& key) {
  if (!entry || sensors == nullptr || !key || valueType == 0 || !entry->hasValueWithName(*key)) return;
  if (auto sensor = createWithIORegistryEntryForValueTypeKey(entry, valueType, key)) sensors->push_back(std::move(sensor));
}

std::shared_ptr<TKSGenericLM87Sensor> TKSGenericLM87Sensor::createWithIORegistryEntryForValueTypeKey(
    std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t valueType, const std::optional<std::string>& key) {
  if (!entry || !key || valueType < 1 || valueType > kValueTypes) return nullptr;
  const LM87Value& row = kValues[valueType - 1];
  auto sensor = std::make_shared<TKSGenericLM87Sensor>();
  sensor->sensorEntry_ = std::move(entry);
  sensor->valueType_ = valueType;
  sensor->valueKey_ = *key;
  sensor->setUniqueIdentifier(stringWithFormat("apple.lm87.%d", valueType));
  sensor->setSensorName("National Semiconductor LM87");
  sensor->setSensorType(1);
  sensor->setLocationIdentifier(row.location);
  sensor->setQuantityType(row.quantity);
  sensor->setPrecisionAccuracy(row.precision, row.accuracy);
  sensor->conversionFactor_ = row.factor;
  sensor->unit_ = row.unit;
  return sensor;
}

TKSSensorValueConverter TKSGenericLM87Sensor::valueConverter() const {
  return platform::linearConverter(conversionFactor_);
}

SensorList TKSCaseLockSensor::allSensors() {
  return platform::sensorsForServices("AppleKeyswitch", &createWithIORegistryEntry);
}

std::shared_ptr<TKSCaseLockSensor> TKSCaseLockSensor::createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry || !entry->hasValueWithName("Keyswitch")) return nullptr;
  auto sensor = std::make_shared<TKSCaseLockSensor>();
  sensor->sensorEntry_ = std::move(entry);
  sensor->setUniqueIdentifier("apple.keyswitch.0");
  sensor->setLocationIdentifier("KEY SWITCH");
  sensor->setSensorName("Apple Key Switch");
  sensor->setSensorType(1);
  sensor->setQuantityType(TKSQuantityStatus);
  sensor->setPrecisionAccuracy(1.0, 1.0);
  return sensor;
}

}  // namespace sw
