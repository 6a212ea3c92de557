// Named driver behaviours (@Driver): what a simulated driver does when a client writes to it.
#pragma once

#include <optional>
#include <string_view>

#include "sim/RegistryEntry.h"

namespace sw::sim {

bool isKnownDriverBehaviour(std::string_view name);

/// Lets the entry's driver react to a property that a client has just written.
void driverPropertyWritten(RegistryEntry& entry, std::string_view key);

/// What the entry's driver answers for a property in place of its stored value; nothing when it
/// answers the stored value.
std::optional<Value> driverPropertyRead(RegistryEntry& entry, std::string_view key);

}  // namespace sw::sim
