// Which SMC voltage, current and power keys are known, and the location text each one names.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sw::smc {

struct SMCLocationRow;

/// The location of an "I", "P" or "V" key on a machine of the given model with the given number
/// of processor packages; nothing for an unknown key.
std::optional<std::string> electricLocationForKey(std::string_view key, std::string_view model, unsigned packages);
/// The rows of the electric table, for tools that walk every location it can give.
std::span<const SMCLocationRow> electricKeyRows();

}  // namespace sw::smc
