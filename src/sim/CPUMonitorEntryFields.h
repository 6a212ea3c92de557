// The profile tool's side of the CPU monitor: a driver service described in readable fields
// (brand, signature, flags, ratios and one dictionary per core, optionally with signals that move
// its thermal readout and its current ratio) becomes the registry entry a profile holds, status
// block and all.
#pragma once

#include <string>
#include <variant>

#include "foundation/Value.h"

namespace sw::sim {

/// The entry, or a message that names the field at fault and what is wrong with it.
std::variant<Dictionary, std::string> cpuMonitorEntryFromFields(const Value& fields);

}  // namespace sw::sim
