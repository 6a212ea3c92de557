// Which SMC temperature keys are known, and the location text each one names.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sw::smc {

struct SMCLocationRow;

/// The location of a "T" key on a machine of the given model; nothing for an unknown key.
std::optional<std::string> temperatureLocationForKey(std::string_view key, std::string_view model);
/// The rows of the temperature table, for tools that walk every location it can give.
std::span<const SMCLocationRow> temperatureKeyRows();

}  // namespace sw::smc
