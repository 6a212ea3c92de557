// Which SMC voltage, current and power keys are known, and the location text each one names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sw::smc {

/// The location of an "I", "P" or "V" key on a machine of the given model with the given number
/// of processor packages; nothing for an unknown key.
std::optional<std::string> electricLocationForKey(std::string_view key, std::string_view model, unsigned packages);

}  // namespace sw::smc
