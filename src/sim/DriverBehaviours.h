// Named driver behaviours (@Driver): what a simulated driver does when a client writes to it.
#pragma once

#include <string_view>

#include "sim/RegistryEntry.h"

namespace sw::sim {

bool isKnownDriverBehaviour(std::string_view name);

/// Lets the entry's driver react to a property that a client has just written.
void driverPropertyWritten(RegistryEntry& entry, std::string_view key);

}  // namespace sw::sim
