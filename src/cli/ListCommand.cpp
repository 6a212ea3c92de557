// `sensorwidget list`: every sensor of the machine in display order, as the widget would show it.
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <iostream>
#include <map>
#include <memory>

#include "cli/CommonOptions.h"
#include "host/ControllerFactory.h"
#include "host/OpenMetrics.h"
#include "system/TKSMachineInfo.h"
#include "widget/PluginController.h"
#include "widget/ReadingFormatter.h"
#include "widget/WebView.h"

namespace sw::cli {

namespace {

// Keys keep the documented order in the output.
using Json = nlohmann::ordered_json;

struct ListOptions {
  bool json = false;            // --json, the same as --format json
  std::string format = "text";
  std::string scale = "celsius";
};

const std::map<std::string, std::int32_t> kScales = {
    {"celsius", widget::kCelsius}, {"fahrenheit", widget::kFahrenheit}, {"kelvin", widget::kKelvin}};

Json sensorJSON(const PluginController& controller, std::int32_t index) {
  TKSSensor& sensor = *controller.sensorArray()[static_cast<std::size_t>(index)];
  // One reading serves the raw value, the converted value and the text, so they agree.
  const std::int32_t rawValue = sensor.rawValue();
  const Json value = rawValue == -1 ? Json(nullptr) : Json(sensor.valueConverter().valueForRawSensorValue(rawValue));
  return {
      {"index", index},
      {"uniqueIdentifier", sensor.uniqueIdentifier()},
      {"locationIdentifier", sensor.locationIdentifier()},
      {"sensorName", sensor.sensorName()},
      {"sensorType", sensor.sensorType()},
      {"quantityType", sensor.quantityType()},
      {"precision", sensor.precision()},
      {"accuracy", sensor.accuracy()},
      {"unit", sensor.unit()},
      {"rawValue", rawValue},
      {"value", value},
      {"name", controller.localizedSensorNameAtIndex(index)},
      {"menuEntry", controller.localizedDifferentiatingSensorNameAtIndex(index)},
      {"reading", controller.localizedReadingForRawValue(index, rawValue)},
      {"icon", std::string(widget::relativePathForTypeIcon(sensor.quantityType()))},
  };
}

Json listJSON(const PluginController& controller) {
  Json sensors = Json::array();
  for (std::int32_t index = 0; index < controller.numberOfAvailableSensors(); ++index) {
    sensors.push_back(sensorJSON(controller, index));
  }
  return {{"model", controller.machineInfo() ? controller.machineInfo()->appleModelCode() : std::string()},
          {"status", controller.localizedStatusMessage()},
          {"version", controller.localizedVersionMessage()},
          {"sensors", std::move(sensors)}};
}

void printText(const Json& list) {
  std::cout << fmt::format("Model: {}\n", list["model"].get<std::string>());
  if (const auto status = list["status"].get<std::string>(); !status.empty()) std::cout << status << '\n';
  std::cout << list["version"].get<std::string>() << '\n';
  for (const auto& sensor : list["sensors"]) {
    std::cout << fmt::format("{:>3}  {:<14}  {}  ({})\n", sensor["index"].get<int>(),
                             sensor["reading"].get<std::string>(), sensor["name"].get<std::string>(),
                             sensor["uniqueIdentifier"].get<std::string>());
  }
}

void runList(CommonOptions& common, const ListOptions& options) {
  common.installMachine();
  WebView page;
  const auto controller = host::createControllerForPage(page);
  // The scale is shown, not stored: listing never changes the user's settings.
  controller->selectTemperatureUnitIndex(kScales.at(options.scale));
  if (options.format == "openmetrics" && !options.json) {
    std::cout << host::openMetricsText(*controller);
    return;
  }
  const Json list = listJSON(*controller);
  if (options.json || options.format == "json") {
    std::cout << list.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
  } else {
    printText(list);
  }
}

}  // namespace

void addListCommand(CLI::App& app, CommonOptions& options) {
  auto listOptions = std::make_shared<ListOptions>();
  CLI::App* command = app.add_subcommand("list", "every sensor in display order, as the widget shows it");
  command->add_flag("--json", listOptions->json, "one JSON object instead of text (as --format json)");
  command->add_option("--format", listOptions->format, "text, json, or openmetrics (the Prometheus text format)")
      ->check(CLI::IsMember({"text", "json", "openmetrics"}));
  command->add_option("--scale", listOptions->scale, "the temperature scale of the readings")
      ->check(CLI::IsMember(kScales));
  options.addDiskSaverOption(*command);
  command->callback([&options, listOptions] { runList(options, *listOptions); });
}

}  // namespace sw::cli
