// The one way the outside world calls the widget's script interface: `sensorwidget script` and
// the widget host both answer every call through here.
#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

namespace sw {
class PluginController;
}

namespace sw::host {

/// Calls the script operation `name` with the JSON arguments on the controller. Answers
/// {"result": <value>} — null for operations without a result — or {"error": "<text>"} for a
/// name that is unknown or excluded from the script, or arguments of the wrong number or type.
/// Only names admitted by PluginController::isSelectorExcludedFromWebScript are callable.
nlohmann::json dispatchScriptCall(PluginController& controller, std::string_view name,
                                  const nlohmann::json& arguments);

}  // namespace sw::host
