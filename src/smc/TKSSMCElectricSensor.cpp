// SMC electric sensors: discovery over all "I", "P" and "V" keys, binding, fixed-point readings.
#include "smc/TKSSMCElectricSensor.h"

#include "cpu/TKSx86Info.h"
#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCKeyDiscovery.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCValueDecoding.h"

namespace sw {
namespace {

constexpr double kFixedPointScale = 65536.0;
// An idle or absent graphics supply reads about 0; it is not worth a sensor.
constexpr double kLowestGraphicsReading = 0.1;

struct Quantity {
  char16_t letter;
  const char* word;
  TKSQuantityType type;
  const char* unit;
};

constexpr Quantity kQuantities[] = {
    {u'I', "current", TKSQuantityCurrent, "A"},
    {u'P', "power", TKSQuantityPower, "W"},
    {u'V', "voltage", TKSQuantityVoltage, "V"},
};

const Quantity* quantityForKey(std::string_view key) {
  for (const Quantity& quantity : kQuantities) {
    if (!key.empty() && char16_t(key.front()) == quantity.letter) return &quantity;
  }
  return nullptr;
}

std::uint32_t& packageCount() {
  static ProcessWide<std::uint32_t> count;
  return count.get();
}

}  // namespace

SensorList TKSSMCElectricSensor::allSensors() {
  return smc::sensorsForKnownNumericKeys<TKSSMCElectricSensor>(
      [](std::string_view key) { return quantityForKey(key) != nullptr; });
}

std::optional<Dictionary> TKSSMCElectricSensor::knownSMCSensorDescriptionForKey(std::string_view key) {
  const Quantity* quantity = quantityForKey(key);
  if (quantity == nullptr) return std::nullopt;
  std::optional<std::string> location =
      smc::electricLocationForKey(key, smc::machineModel(), numberOfPhysicalx86Chips());
  if (!location) return std::nullopt;
  return Dictionary{{"SMCKey", Value(key)},
                    {"LocationID", Value(*location)},
                    {"UniqueID", Value(stringWithFormat("smc.%@.%@", quantity->word, smc::threeCharacterCode(key)))},
                    {"Quantity", Value::integer(quantity->type)}};
}

std::uint32_t TKSSMCElectricSensor::numberOfPhysicalx86Chips() {
  std::uint32_t& count = packageCount();
  if (count == 0) count = TKSx86Info().numberOfChipPackages();
  return count;
}

std::shared_ptr<TKSSMCElectricSensor> TKSSMCElectricSensor::createWithSensorDescription(const Dictionary* description) {
  auto sensor = std::make_shared<TKSSMCElectricSensor>();
  sensor->smc_ = TKSSystemManagementController::sharedSystemManagementController();
  if (!sensor->smc_ || description == nullptr) return nullptr;
  sensor->smcKey_ = smc::textEntry(*description, "SMCKey");
  std::optional<double> reading = smc::numberValue(sensor->smc_->objectValueForPropertyWithKey(sensor->smcKey_));
  if (!reading || !(*reading >= 0)) return nullptr;
  std::string location = smc::textEntry(*description, "LocationID");
  if (location.starts_with("SMC GPU") && !(*reading > kLowestGraphicsReading)) return nullptr;
  // Integer-typed keys are counters and limits, not measurements.
  std::optional<std::string> type = sensor->smc_->typeCodeForPropertyWithKey(sensor->smcKey_);
  sensor->isRawInteger_ = type && type->starts_with("ui");
  if (sensor->isRawInteger_) return nullptr;

  auto quantity = description->find("Quantity");
  std::optional<double> quantityType = quantity == description->end() ? std::nullopt : quantity->second.asReal();
  smc::identifySMCSensor(*sensor, smc::textEntry(*description, "UniqueID"), location,
                         clampToInt32(quantityType.value_or(TKSQuantityUnknown)));
  return sensor;
}

std::int32_t TKSSMCElectricSensor::rawValue() {
  if (!smc_) return -1;  // made without its create function: bound to no controller
  std::optional<double> reading = smc::numberValue(smc_->objectValueForPropertyWithKey(smcKey_));
  if (!reading) return -1;
  return clampToInt32(*reading * kFixedPointScale);
}

std::string TKSSMCElectricSensor::unit() const {
  for (const Quantity& quantity : kQuantities) {
    if (quantity.type == quantityType()) return quantity.unit;
  }
  return "";
}

TKSSensorValueConverter TKSSMCElectricSensor::valueConverter() const {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kLinear);
  converter.setLinearFactor(1.0 / kFixedPointScale);
  return converter;
}

}  // namespace sw
