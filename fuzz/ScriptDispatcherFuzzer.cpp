// The widget's script interface is called by pages and `sensorwidget script` with any name and
// any JSON: every call answers a result or an error. The input is the script name, a newline,
// and the JSON arguments (text that is no JSON is passed as one string argument). One
// controller on a built-in machine answers every call, as it does for a long-lived page.
#include <nlohmann/json.hpp>

#include "fuzz/FuzzMachine.h"
#include "host/ControllerFactory.h"
#include "host/ScriptDispatcher.h"
#include "os/Machine.h"
#include "sim/SimulatedMachine.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace {

using nlohmann::json;

sw::PluginController& controller() {
  static const auto instance = [] {
    sw::fuzz::useScratchDefaultsDirectory();
    sw::os::setCurrentMachine(std::make_shared<sw::sim::SimulatedMachine>(sw::fuzz::builtInProfile("MacBookPro5,5")));
    sw::WebView page;
    return sw::host::createControllerForPage(page);
  }();
  return *instance;
}

json argumentsFrom(std::string_view text) {
  json arguments = json::parse(text, nullptr, /*allow_exceptions=*/false);
  return arguments.is_discarded() ? json::array({std::string(text)}) : arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  const std::string_view name = input.takeUntil('\n');
  const json answer = sw::host::dispatchScriptCall(controller(), name, argumentsFrom(input.takeRest()));
  const bool isResult = answer.is_object() && answer.size() == 1 && answer.contains("result");
  const bool isError = answer.is_object() && answer.size() == 1 && answer.contains("error") && answer["error"].is_string();
  sw::fuzz::require(isResult || isError, "every call answers one result or one error");
  return 0;
}
