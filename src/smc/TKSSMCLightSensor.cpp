// SMC ambient light sensors.
#include "smc/TKSSMCLightSensor.h"

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/TextEncoding.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCValueDecoding.h"

namespace sw {
namespace {
// The short form carries the reading in its top nine bits; the long form is read as it is.
constexpr int kShortFormShift = 7;
constexpr std::size_t kLongFormSize = 10;
}  // namespace

SensorList TKSSMCLightSensor::allSensors() {
  SensorList sensors;
  auto smc = TKSSystemManagementController::sharedSystemManagementController();
  if (!smc) return sensors;
  for (const std::string& key : smc->allPropertyKeys()) {
    if (!key.starts_with("ALV")) continue;
    std::optional<Value> value = smc->objectValueForPropertyWithKey(key);
    if (!smc::numberValue(value) && !(value && value->asData())) continue;
    if (auto sensor = createForLightSensorWithKey(key)) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

std::shared_ptr<TKSSMCLightSensor> TKSSMCLightSensor::createForLightSensorWithKey(std::string_view key) {
  auto sensor = std::make_shared<TKSSMCLightSensor>();
  sensor->smc_ = TKSSystemManagementController::sharedSystemManagementController();
  std::optional<char16_t> digit = utf16UnitAt(key, 3);
  if (!sensor->smc_ || !digit || !smc::isDigit(*digit)) return nullptr;
  sensor->smcKey_ = std::string(key);
  if (sensor->rawValue() <= 0) return nullptr;
  int number = *digit - u'0' + 1;
  smc::identifySMCSensor(*sensor, stringWithFormat("smc.light.%d", number),
                         stringWithFormat("SMC AMBIENT LIGHT %d", number), TKSQuantityLight);
  return sensor;
}

std::int32_t TKSSMCLightSensor::rawValue() {
  if (!smc_) return -1;  // made without its create function: bound to no controller
  std::optional<Value> value = smc_->objectValueForPropertyWithKey(smcKey_);
  if (std::optional<double> number = smc::numberValue(value)) {
    return std::uint16_t(clampToInt64(*number)) >> kShortFormShift;
  }
  const Data* bytes = value ? value->asData() : nullptr;
  if (bytes == nullptr || bytes->size() != kLongFormSize) return -1;
  return ((*bytes)[2] << 8) | (*bytes)[3];
}

}  // namespace sw
