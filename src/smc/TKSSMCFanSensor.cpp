// SMC fan sensors: one per counted fan whose speed keys exist.
#include "smc/TKSSMCFanSensor.h"

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCValueDecoding.h"

namespace sw {
namespace {

std::string trimmedBlanksAndTabs(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

SensorList TKSSMCFanSensor::allSensors() {
  SensorList sensors;
  auto smc = TKSSystemManagementController::sharedSystemManagementController();
  if (!smc) return sensors;
  std::optional<double> fanCount = smc::numberValue(smc->objectValueForPropertyWithKey("FNum"));
  if (!fanCount) return sensors;
  // Indices past the last key code bind nothing, so a wild count costs no more than that.
  std::uint32_t count = std::min(unsignedValueOf(*fanCount), kMaximumFanIndex + 1);
  for (std::uint32_t index = 0; index < count; ++index) {
    if (auto sensor = createForFanAtIndex(index)) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

std::shared_ptr<TKSSMCFanSensor> TKSSMCFanSensor::createForFanAtIndex(std::uint32_t index) {
  auto sensor = std::make_shared<TKSSMCFanSensor>();
  sensor->smc_ = TKSSystemManagementController::sharedSystemManagementController();
  if (!sensor->smc_ || index > kMaximumFanIndex) return nullptr;
  sensor->fanCode_ = char(index < 10 ? '0' + index : 'A' + (index - 10));
  for (const char* speedKey : {"F%cAc", "F%cMn", "F%cMx"}) {
    if (!sensor->smc_->objectValueForPropertyWithKey(sensor->fanKey(speedKey))) return nullptr;
  }
  std::optional<Value> descriptor = sensor->smc_->objectValueForPropertyWithKey(sensor->fanKey("F%cID"));
  // A fan without a readable descriptor goes by its index.
  std::string name = descriptor && descriptor->asString() ? trimmedBlanksAndTabs(*descriptor->asString())
                                                          : stringWithFormat("%u", index);
  smc::identifySMCSensor(*sensor, stringWithFormat("smc.fan.%@", name), stringWithFormat("SMC FAN %@", name),
                         TKSQuantityFanSpeed);
  sensor->setPrecisionAccuracy(0.25, 0.0);
  return sensor;
}

std::string TKSSMCFanSensor::fanKey(const char* format) const { return stringWithFormat(format, fanCode_); }

std::int32_t TKSSMCFanSensor::rawValue() {
  if (!smc_) return -1;  // made without its create function: bound to no controller
  std::optional<double> speed = smc::numberValue(smc_->objectValueForPropertyWithKey(fanKey("F%cAc")));
  return speed ? clampToInt32(*speed) : -1;
}

std::string TKSSMCFanSensor::unifiedSensorLocation() const {
  return stringWithFormat("R:%@", locationIdentifier());
}

std::optional<Array> TKSSMCFanSensor::sensorLimitsArray() {
  if (!smc_) return std::nullopt;
  std::optional<Value> maximum = smc_->objectValueForPropertyWithKey(fanKey("F%cMx"));
  std::optional<Value> minimum = smc_->objectValueForPropertyWithKey(fanKey("F%cMn"));
  if (!smc::numberValue(maximum) || !smc::numberValue(minimum)) return std::nullopt;
  return Array{*maximum, *minimum};
}

}  // namespace sw
