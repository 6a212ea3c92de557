// The one list of what the page's script may call on the controller: each operation's selector,
// the name the script calls it by, its parameters and what it runs. The controller's answers to
// the script bridge and the outside world's dispatcher are both read off this list.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sw {
class PluginController;
}

namespace sw::widget {

enum class ScriptParameter { Text, Integer, Float, Boolean };

/// One argument, already of its parameter's kind (Text, Integer, Float, Boolean in that order).
using ScriptArgument = std::variant<std::string, std::int32_t, float, bool>;
/// What an operation answers: nothing, a number, a text or a flag.
using ScriptResult = std::variant<std::monostate, std::int32_t, std::string, bool>;

struct ScriptOperation {
  std::string_view selector;    // "setPreferredSensorIndex:forDisplayIndex:"
  std::string_view scriptName;  // "setPreferredSensorIndexForDisplayIndex"
  std::vector<ScriptParameter> parameters;
  /// Runs the operation with one argument per parameter, each of its parameter's kind.
  ScriptResult (*invoke)(PluginController& controller, std::span<const ScriptArgument> arguments);
};

/// Every operation the script may call, in a fixed order.
const std::vector<ScriptOperation>& scriptOperations();
/// The operation with the selector; nullptr for a selector the script may not call.
const ScriptOperation* scriptOperationForSelector(std::string_view selector);

}  // namespace sw::widget
