// Named driver behaviours (@Driver): what a simulated driver does when a client writes to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/RegistryEntry.h"

namespace sw::sim {

bool isKnownDriverBehaviour(std::string_view name);

/// True when a @Signals name points into the records of the entry's driver, so that the driver
/// rather than a property follows the signal. Throws ProfileError at `path` for a name that
/// points into a driver's records but names no field of them, or whose entry lacks that driver.
bool claimsDriverSignal(const std::optional<std::string>& driver, std::string_view signalName, const std::string& path);

/// Lets the entry's driver react to a property that a client has just written.
void driverPropertyWritten(RegistryEntry& entry, std::string_view key);

/// What the entry's driver answers for a property in place of its stored value; nothing when it
/// answers the stored value.
std::optional<Value> driverPropertyRead(RegistryEntry& entry, std::string_view key);

}  // namespace sw::sim
