// Named driver behaviours (@Driver): what a simulated driver does when a client writes to it.
#pragma once

#include <optional>
#include <string_view>

#include "sim/RegistryEntry.h"

namespace sw::sim {

bool isKnownDriverBehaviour(std::string_view name);

/// Whether the write is a command to the entry's driver rather than a property to keep: the
/// hardware-monitoring drivers take their refresh property that way and never publish it.
bool isDriverCommand(const RegistryEntry& entry, std::string_view key);

/// Lets the entry's driver react to a property that a client has just written.
void driverPropertyWritten(RegistryEntry& entry, std::string_view key);

/// What the entry's driver answers for a property in place of its stored value; nothing when it
/// answers the stored value.
std::optional<Value> driverPropertyRead(RegistryEntry& entry, std::string_view key);

}  // namespace sw::sim
