// Script calls from outside: each script name is found in the widget's list of script operations
// through the controller's own answers to the script bridge, its JSON arguments are checked
// against the operation's parameters, and the result comes back as JSON.
#include "host/ScriptDispatcher.h"

#include <cfloat>
#include <string>
#include <vector>

#include "foundation/Numbers.h"
#include "widget/PluginController.h"
#include "widget/ScriptOperations.h"

namespace sw::host {

namespace {

using nlohmann::json;

using widget::ScriptArgument;
using widget::ScriptOperation;
using widget::ScriptParameter;
using widget::ScriptResult;

/// The operation the script knows by this name, when the controller lets the script call it.
const ScriptOperation* operationForScriptName(std::string_view name) {
  for (const ScriptOperation& operation : widget::scriptOperations()) {
    if (PluginController::isSelectorExcludedFromWebScript(operation.selector)) continue;
    if (PluginController::webScriptNameForSelector(operation.selector) == name) return &operation;
  }
  return nullptr;
}

/// A JSON argument already checked against its parameter, as the operation takes it. The
/// script's numbers are doubles; like the platform's bridge, an integer parameter takes the
/// number truncated, and values beyond the parameter's range saturate instead of being undefined.
ScriptArgument argumentFor(const json& argument, ScriptParameter parameter) {
  switch (parameter) {
    case ScriptParameter::Text: return argument.get<std::string>();
    case ScriptParameter::Integer: return clampToInt32(argument.get<double>());
    case ScriptParameter::Float: {
      const double number = argument.get<double>();
      return static_cast<float>(number > FLT_MAX ? FLT_MAX : number < -FLT_MAX ? -FLT_MAX : number);
    }
    // A flag is a script boolean, or a number that is true when it is not zero.
    case ScriptParameter::Boolean: return argument.is_boolean() ? argument.get<bool>() : argument.get<double>() != 0;
  }
  return {};
}

json resultAsJSON(const ScriptResult& result) {
  if (const auto* number = std::get_if<std::int32_t>(&result)) return json(*number);
  if (const auto* text = std::get_if<std::string>(&result)) return json(*text);
  if (const auto* flag = std::get_if<bool>(&result)) return json(*flag);
  return nullptr;
}

bool matches(const json& argument, ScriptParameter parameter) {
  switch (parameter) {
    case ScriptParameter::Text: return argument.is_string();
    case ScriptParameter::Boolean: return argument.is_boolean() || argument.is_number();
    default: return argument.is_number();
  }
}

std::string_view parameterName(ScriptParameter parameter) {
  switch (parameter) {
    case ScriptParameter::Text: return "a string";
    case ScriptParameter::Boolean: return "a boolean";
    default: return "a number";
  }
}

json error(std::string text) { return json{{"error", std::move(text)}}; }

/// Why the arguments do not fit the call; "" when they do.
std::string argumentProblem(const ScriptOperation& operation, std::string_view name, const json& arguments) {
  if (!arguments.is_array()) return std::string(name) + ": the arguments must be an array";
  if (arguments.size() != operation.parameters.size()) {
    return std::string(name) + ": expected " + std::to_string(operation.parameters.size()) + " argument(s), got " +
           std::to_string(arguments.size());
  }
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    if (!matches(arguments[index], operation.parameters[index])) {
      return std::string(name) + ": argument " + std::to_string(index + 1) + " must be " +
             std::string(parameterName(operation.parameters[index]));
    }
  }
  return {};
}

}  // namespace

json dispatchScriptCall(PluginController& controller, std::string_view name, const json& arguments) {
  const ScriptOperation* operation = operationForScriptName(name);
  if (operation == nullptr) return error("no script operation named \"" + std::string(name) + "\"");
  const json& list = arguments.is_null() ? json::array() : arguments;
  if (std::string problem = argumentProblem(*operation, name, list); !problem.empty()) return error(problem);
  std::vector<ScriptArgument> taken;
  for (std::size_t index = 0; index < list.size(); ++index) taken.push_back(argumentFor(list[index], operation->parameters[index]));
  return json{{"result", resultAsJSON(operation->invoke(controller, taken))}};
}

}  // namespace sw::host
