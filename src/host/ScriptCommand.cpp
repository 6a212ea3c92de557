// `sensorwidget script`: the widget's script interface over standard input and output, one JSON
// call per line and one JSON answer per call, all answered by one controller.
#include <nlohmann/json.hpp>

#include <iostream>
#include <string>

#include "host/CommonOptions.h"
#include "host/ControllerFactory.h"
#include "host/ScriptDispatcher.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace sw::host {

namespace {

using nlohmann::json;

json answerLine(PluginController& controller, const std::string& line) {
  const json request = json::parse(line, nullptr, /*allow_exceptions=*/false);
  if (request.is_discarded()) return {{"error", "not a JSON text"}};
  if (!request.is_object() || !request.contains("call") || !request["call"].is_string()) {
    return {{"error", "a call is an object {\"call\": \"<script name>\", \"args\": [...]}"}};
  }
  const json arguments = request.contains("args") ? request["args"] : json::array();
  return dispatchScriptCall(controller, request["call"].get<std::string>(), arguments);
}

void runScript(CommonOptions& common) {
  common.installMachine();
  WebView page;
  const auto controller = createControllerForPage(page);
  for (std::string line; std::getline(std::cin, line);) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    // Answers are flushed one by one, so that a caller can talk to the script line by line.
    std::cout << answerLine(*controller, line).dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
  }
}

}  // namespace

void addScriptCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("script", "answer the widget's script calls, one JSON line each");
  options.addDiskSaverOption(*command);
  command->callback([&options] { runScript(options); });
}

}  // namespace sw::host
