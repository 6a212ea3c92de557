// Discovery shared by the sensor classes that name keys through a key table: walk every key of
// the shared controller, keep those the class measures whose value is a number, and bind a
// sensor to each that the class's table knows.
#pragma once

#include <string_view>

#include "sensors/TKSSensor.h"
#include "smc/SMCValueDecoding.h"
#include "smc/TKSSystemManagementController.h"

namespace sw::smc {

template <typename SensorClass>
SensorList sensorsForKnownNumericKeys(bool (*measures)(std::string_view key)) {
  SensorList sensors;
  auto smc = TKSSystemManagementController::sharedSystemManagementController();
  if (!smc) return sensors;
  for (const std::string& key : smc->allPropertyKeys()) {
    if (!measures(key) || !numberValue(smc->objectValueForPropertyWithKey(key))) continue;
    std::optional<Dictionary> description = SensorClass::knownSMCSensorDescriptionForKey(key);
    if (!description) continue;
    if (auto sensor = SensorClass::createWithSensorDescription(&*description)) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

}  // namespace sw::smc
