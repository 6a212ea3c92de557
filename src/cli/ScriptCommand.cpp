// `sensorwidget script`: the widget's script interface over standard input and output, one JSON
// call per line and one JSON answer per call, all answered by one controller.
#include <nlohmann/json.hpp>

#include <iostream>
#include <string>
#include <variant>

#include "cli/CommonOptions.h"
#include "host/ControllerFactory.h"
#include "host/ScriptCallRequest.h"
#include "host/ScriptDispatcher.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace sw::cli {

namespace {

using nlohmann::json;

// Lines go through the same parser and limits as the widget host's requests.
json answerLine(PluginController& controller, const host::ScriptLine& line) {
  if (line.tooLong) return {{"error", host::kLineTooLong}};
  auto parsed = host::parseScriptCallRequest(line.text);
  if (const auto* problem = std::get_if<std::string>(&parsed)) return {{"error", *problem}};
  const auto& request = std::get<host::ScriptCallRequest>(parsed);
  return host::dispatchScriptCall(controller, request.name, request.arguments);
}

void runScript(CommonOptions& common) {
  common.installMachine(CommonOptions::Settings::Stored);
  WebView page;
  const auto controller = host::createControllerForPage(page);
  while (std::optional<host::ScriptLine> line = host::readScriptLine(std::cin)) {
    if (!line->tooLong && line->text.find_first_not_of(" \t\r") == std::string::npos) continue;
    // Answers are flushed one by one, so that a caller can talk to the script line by line.
    std::cout << answerLine(*controller, *line).dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
  }
}

}  // namespace

void addScriptCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("script", "answer the widget's script calls, one JSON line each");
  options.addDiskSaverOption(*command);
  command->callback([&options] { runScript(options); });
}

}  // namespace sw::cli
