// Script calls from outside: each script name is found through the controller's own answers to
// the script bridge, its JSON arguments are checked against the operation's parameters, and the
// result comes back as JSON.
#include "host/ScriptDispatcher.h"

#include <array>
#include <cfloat>
#include <functional>
#include <span>
#include <string>

#include "foundation/Numbers.h"
#include "widget/PluginController.h"

namespace sw::host {

namespace {

using nlohmann::json;

enum class Parameter { Text, Integer, Float, Boolean };

/// Arguments already checked against the operation's parameters.
class Arguments {
 public:
  explicit Arguments(const json& list) : list_(list) {}
  std::string text(std::size_t index) const { return list_[index].get<std::string>(); }
  // The script's numbers are doubles; like the platform's bridge, an integer parameter takes the
  // number truncated, and values beyond the parameter's range saturate instead of being undefined.
  std::int32_t integer(std::size_t index) const { return clampToInt32(list_[index].get<double>()); }
  // A flag is a script boolean, or a number that is true when it is not zero.
  bool flag(std::size_t index) const {
    return list_[index].is_boolean() ? list_[index].get<bool>() : list_[index].get<double>() != 0;
  }
  float real(std::size_t index) const {
    const double number = list_[index].get<double>();
    return static_cast<float>(number > FLT_MAX ? FLT_MAX : number < -FLT_MAX ? -FLT_MAX : number);
  }

 private:
  const json& list_;
};

struct ScriptCall {
  std::string_view selector;
  std::vector<Parameter> parameters;
  std::function<json(PluginController&, const Arguments&)> invoke;
};

json nothing() { return nullptr; }

const std::vector<ScriptCall>& scriptCalls() {
  using P = Parameter;
  using C = PluginController;
  using A = Arguments;
  static const std::vector<ScriptCall> calls = {
      {"setWidgetIdentifier:", {P::Text},
       [](C& c, const A& a) {
         c.setWidgetIdentifier(a.text(0));
         return nothing();
       }},
      {"setMaximumSensorNameWidth:", {P::Float},
       [](C& c, const A& a) {
         c.setMaximumSensorNameWidth(a.real(0));
         return nothing();
       }},
      {"localizedStringForElementWithName:", {P::Text},
       [](C& c, const A& a) { return json(c.localizedStringForElementWithName(a.text(0))); }},
      {"numberOfAvailableSensors", {}, [](C& c, const A&) { return json(c.numberOfAvailableSensors()); }},
      {"localizedSensorNameAtDisplayIndex:", {P::Integer},
       [](C& c, const A& a) { return json(c.localizedSensorNameAtDisplayIndex(a.integer(0))); }},
      {"localizedDifferentiatingSensorNameAtIndex:", {P::Integer},
       [](C& c, const A& a) { return json(c.localizedDifferentiatingSensorNameAtIndex(a.integer(0))); }},
      {"localizedReadingAtDisplayIndex:", {P::Integer},
       [](C& c, const A& a) { return json(c.localizedReadingAtDisplayIndex(a.integer(0))); }},
      {"localizedStatusMessage", {}, [](C& c, const A&) { return json(c.localizedStatusMessage()); }},
      {"localizedVersionMessage", {}, [](C& c, const A&) { return json(c.localizedVersionMessage()); }},
      {"relativePathForTypeIconAtDisplayIndex:", {P::Integer},
       [](C& c, const A& a) { return json(c.relativePathForTypeIconAtDisplayIndex(a.integer(0))); }},
      {"setPreferredSensorIndex:forDisplayIndex:", {P::Integer, P::Integer},
       [](C& c, const A& a) {
         c.setPreferredSensorIndexForDisplayIndex(a.integer(0), a.integer(1));
         return nothing();
       }},
      {"setTemperatureUnitIndex:", {P::Integer},
       [](C& c, const A& a) {
         c.setTemperatureUnitIndex(a.integer(0));
         return nothing();
       }},
      {"preferredSensorIndexAtDisplayIndex:", {P::Integer},
       [](C& c, const A& a) { return json(c.preferredSensorIndexAtDisplayIndex(a.integer(0))); }},
      {"preferredTemperatureUnitIndex", {}, [](C& c, const A&) { return json(c.preferredTemperatureUnitIndex()); }},
      {"setShowsRecentHistory:", {P::Boolean},
       [](C& c, const A& a) {
         c.setShowsRecentHistory(a.flag(0));
         return nothing();
       }},
      {"showsRecentHistory", {}, [](C& c, const A&) { return json(c.showsRecentHistory()); }},
      {"bundleIdentifierForMasterApplication", {},
       [](C& c, const A&) { return json(c.bundleIdentifierForMasterApplication()); }},
      {"localizedURLForMasterApplication", {},
       [](C& c, const A&) { return json(c.localizedURLForMasterApplication()); }},
      {"logDebugString:", {P::Text}, [](C& c, const A& a) {
         c.logDebugString(a.text(0));
         return nothing();
       }},
  };
  return calls;
}

/// The call the script knows by this name, when the controller lets the script call it.
const ScriptCall* callForScriptName(std::string_view name) {
  for (const auto& call : scriptCalls()) {
    if (PluginController::isSelectorExcludedFromWebScript(call.selector)) continue;
    if (PluginController::webScriptNameForSelector(call.selector) == name) return &call;
  }
  return nullptr;
}

bool matches(const json& argument, Parameter parameter) {
  switch (parameter) {
    case Parameter::Text: return argument.is_string();
    case Parameter::Boolean: return argument.is_boolean() || argument.is_number();
    default: return argument.is_number();
  }
}

std::string_view parameterName(Parameter parameter) {
  switch (parameter) {
    case Parameter::Text: return "a string";
    case Parameter::Boolean: return "a boolean";
    default: return "a number";
  }
}

json error(std::string text) { return json{{"error", std::move(text)}}; }

/// Why the arguments do not fit the call; "" when they do.
std::string argumentProblem(const ScriptCall& call, std::string_view name, const json& arguments) {
  if (!arguments.is_array()) return std::string(name) + ": the arguments must be an array";
  if (arguments.size() != call.parameters.size()) {
    return std::string(name) + ": expected " + std::to_string(call.parameters.size()) + " argument(s), got " +
           std::to_string(arguments.size());
  }
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    if (!matches(arguments[index], call.parameters[index])) {
      return std::string(name) + ": argument " + std::to_string(index + 1) + " must be " +
             std::string(parameterName(call.parameters[index]));
    }
  }
  return {};
}

}  // namespace

json dispatchScriptCall(PluginController& controller, std::string_view name, const json& arguments) {
  const ScriptCall* call = callForScriptName(name);
  if (call == nullptr) return error("no script operation named \"" + std::string(name) + "\"");
  const json& list = arguments.is_null() ? json::array() : arguments;
  if (std::string problem = argumentProblem(*call, name, list); !problem.empty()) return error(problem);
  return json{{"result", call->invoke(controller, Arguments(list))}};
}

}  // namespace sw::host
