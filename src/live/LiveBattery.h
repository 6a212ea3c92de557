// The live machine's batteries: each /sys/class/power_supply battery as the registry entry a
// smart battery's driver publishes (property names and units of that driver: millivolts,
// milliamperes with the sign of the current's direction, milliampere-hours, tenths of a kelvin).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "foundation/Value.h"
#include "live/LiveFiles.h"

namespace sw::live {

/// The battery entry's properties from a power supply's uevent values, with the state of the
/// AC adapter (nothing when the machine has none that reports it).
Dictionary smartBatteryProperties(const std::map<std::string, std::string>& uevent, std::optional<bool> externalPower);

/// One AppleSmartBatteryManager entry (with its AppleSmartBattery child) per battery, in the
/// order of the power supplies' names.
Array liveBatteryManagers(LiveFiles& files);

}  // namespace sw::live
