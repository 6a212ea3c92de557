// SMC temperature sensors: discovery over all "T" keys, binding, whole-degree readings.
#include "smc/TKSSMCTemperatureSensor.h"

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "smc/SMCKeyDiscovery.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCTemperatureKeyTable.h"
#include "smc/SMCValueDecoding.h"

namespace sw {
namespace {
// The controller reports a failed probe as one of these readings.
constexpr std::int32_t kLowestErrorMarker = -128;
constexpr std::int32_t kHighestErrorMarker = -124;
}  // namespace

SensorList TKSSMCTemperatureSensor::allSensors() {
  return smc::sensorsForKnownNumericKeys<TKSSMCTemperatureSensor>([](std::string_view key) { return key.starts_with('T'); });
}

std::optional<Dictionary> TKSSMCTemperatureSensor::knownSMCSensorDescriptionForKey(std::string_view key) {
  std::optional<std::string> location = smc::temperatureLocationForKey(key, smc::machineModel());
  if (!location) return std::nullopt;
  return Dictionary{{"SMCKey", Value(key)},
                    {"LocationID", Value(*location)},
                    {"UniqueID", Value(stringWithFormat("smc.temperature.%@", smc::threeCharacterCode(key)))}};
}

std::shared_ptr<TKSSMCTemperatureSensor> TKSSMCTemperatureSensor::createWithSensorDescription(
    const Dictionary* description) {
  auto sensor = std::make_shared<TKSSMCTemperatureSensor>();
  sensor->smc_ = TKSSystemManagementController::sharedSystemManagementController();
  if (!sensor->smc_ || description == nullptr) return nullptr;
  sensor->smcKey_ = smc::textEntry(*description, "SMCKey");
  std::optional<double> reading = smc::numberValue(sensor->smc_->objectValueForPropertyWithKey(sensor->smcKey_));
  if (!reading || !(*reading > 0)) return nullptr;
  smc::identifySMCSensor(*sensor, smc::textEntry(*description, "UniqueID"), smc::textEntry(*description, "LocationID"),
                         TKSQuantityTemperature);
  sensor->setPrecisionAccuracy(1.0, 0.0);
  return sensor;
}

std::int32_t TKSSMCTemperatureSensor::rawValue() {
  if (!smc_) return -1;  // made without its create function: bound to no controller
  std::optional<double> reading = smc::numberValue(smc_->objectValueForPropertyWithKey(smcKey_));
  if (!reading) return -1;
  std::int32_t degrees = clampToInt32(*reading);
  if (degrees >= kLowestErrorMarker && degrees <= kHighestErrorMarker) return -1;
  return degrees;
}

}  // namespace sw
