// Discovery shared by the sensor classes that name keys through a key table: walk every key of
// the shared controller, keep those the class measures that its table knows and whose value is a
// number, and bind a sensor to each.
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
    if (!measures(key)) continue;
    // The table is asked first: it costs no kernel call, and most keys a controller lists are
    // named by no table, so their values need not be read at all.
    std::optional<Dictionary> description = SensorClass::knownSMCSensorDescriptionForKey(key);
    if (!description || !numberValue(smc->objectValueForPropertyWithKey(key))) continue;
    if (auto sensor = SensorClass::createWithSensorDescription(&*description)) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

}  // namespace sw::smc
