// What each script operation runs on the controller, with its arguments taken out of the list
// by the kinds its parameters declare.
#include "widget/ScriptOperations.h"

#include "widget/PluginController.h"

namespace sw::widget {
namespace {

using Arguments = std::span<const ScriptArgument>;
using C = PluginController;
using P = ScriptParameter;

const std::string& text(Arguments arguments, std::size_t index) { return std::get<std::string>(arguments[index]); }
std::int32_t integer(Arguments arguments, std::size_t index) { return std::get<std::int32_t>(arguments[index]); }
float real(Arguments arguments, std::size_t index) { return std::get<float>(arguments[index]); }
bool flag(Arguments arguments, std::size_t index) { return std::get<bool>(arguments[index]); }

ScriptResult nothing() { return std::monostate(); }

}  // namespace

const std::vector<ScriptOperation>& scriptOperations() {
  static const std::vector<ScriptOperation> operations = {
      {"setWidgetIdentifier:", "setWidgetIdentifier", {P::Text},
       [](C& c, Arguments a) { c.setWidgetIdentifier(text(a, 0)); return nothing(); }},
      {"setMaximumSensorNameWidth:", "setMaximumSensorNameWidth", {P::Float},
       [](C& c, Arguments a) { c.setMaximumSensorNameWidth(real(a, 0)); return nothing(); }},
      {"localizedStringForElementWithName:", "localizedStringForElementWithName", {P::Text},
       [](C& c, Arguments a) { return ScriptResult(c.localizedStringForElementWithName(text(a, 0))); }},
      {"numberOfAvailableSensors", "numberOfAvailableSensors", {},
       [](C& c, Arguments) { return ScriptResult(c.numberOfAvailableSensors()); }},
      {"localizedSensorNameAtDisplayIndex:", "localizedSensorNameAtDisplayIndex", {P::Integer},
       [](C& c, Arguments a) { return ScriptResult(c.localizedSensorNameAtDisplayIndex(integer(a, 0))); }},
      {"localizedDifferentiatingSensorNameAtIndex:", "localizedDifferentiatingSensorNameAtIndex", {P::Integer},
       [](C& c, Arguments a) { return ScriptResult(c.localizedDifferentiatingSensorNameAtIndex(integer(a, 0))); }},
      {"localizedReadingAtDisplayIndex:", "localizedReadingAtDisplayIndex", {P::Integer},
       [](C& c, Arguments a) { return ScriptResult(c.localizedReadingAtDisplayIndex(integer(a, 0))); }},
      {"localizedStatusMessage", "localizedStatusMessage", {},
       [](C& c, Arguments) { return ScriptResult(c.localizedStatusMessage()); }},
      {"localizedVersionMessage", "localizedVersionMessage", {},
       [](C& c, Arguments) { return ScriptResult(c.localizedVersionMessage()); }},
      {"relativePathForTypeIconAtDisplayIndex:", "relativePathForTypeIconAtDisplayIndex", {P::Integer},
       [](C& c, Arguments a) { return ScriptResult(c.relativePathForTypeIconAtDisplayIndex(integer(a, 0))); }},
      {"setPreferredSensorIndex:forDisplayIndex:", "setPreferredSensorIndexForDisplayIndex", {P::Integer, P::Integer},
       [](C& c, Arguments a) {
         c.setPreferredSensorIndexForDisplayIndex(integer(a, 0), integer(a, 1));
         return nothing();
       }},
      {"setTemperatureUnitIndex:", "setTemperatureUnitIndex", {P::Integer},
       [](C& c, Arguments a) { c.setTemperatureUnitIndex(integer(a, 0)); return nothing(); }},
      {"preferredSensorIndexAtDisplayIndex:", "preferredSensorIndexAtDisplayIndex", {P::Integer},
       [](C& c, Arguments a) { return ScriptResult(c.preferredSensorIndexAtDisplayIndex(integer(a, 0))); }},
      {"preferredTemperatureUnitIndex", "preferredTemperatureUnitIndex", {},
       [](C& c, Arguments) { return ScriptResult(c.preferredTemperatureUnitIndex()); }},
      {"setShowsRecentHistory:", "setShowsRecentHistory", {P::Boolean},
       [](C& c, Arguments a) { c.setShowsRecentHistory(flag(a, 0)); return nothing(); }},
      {"showsRecentHistory", "showsRecentHistory", {},
       [](C& c, Arguments) { return ScriptResult(c.showsRecentHistory()); }},
      {"bundleIdentifierForMasterApplication", "bundleIdentifierForMasterApplication", {},
       [](C& c, Arguments) { return ScriptResult(c.bundleIdentifierForMasterApplication()); }},
      {"localizedURLForMasterApplication", "localizedURLForMasterApplication", {},
       [](C& c, Arguments) { return ScriptResult(c.localizedURLForMasterApplication()); }},
      {"logDebugString:", "logDebugString", {P::Text},
       [](C& c, Arguments a) { c.logDebugString(text(a, 0)); return nothing(); }},
  };
  return operations;
}

const ScriptOperation* scriptOperationForSelector(std::string_view selector) {
  for (const ScriptOperation& operation : scriptOperations()) {
    if (operation.selector == selector) return &operation;
  }
  return nullptr;
}

}  // namespace sw::widget
