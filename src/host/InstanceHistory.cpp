// Readings that feed the history rings, and the rings as a page draws them.
#include "host/InstanceHistory.h"

#include <cmath>
#include <optional>

#include "foundation/Numbers.h"
#include "host/ScriptDispatcher.h"
#include "widget/PluginController.h"
#include "widget/ReadingFormatter.h"

namespace sw::host {

namespace {

using nlohmann::json;

constexpr std::string_view kReadingCall = "localizedReadingAtDisplayIndex";
constexpr std::int32_t kBothPositions = -1;

/// The display position a one-number argument list names.
std::optional<std::int32_t> positionArgument(const json& arguments) {
  if (!arguments.is_array() || arguments.size() != 1 || !arguments[0].is_number()) return std::nullopt;
  return clampToInt32(arguments[0].get<double>());
}

struct HistoryQuery {
  std::int32_t position = kBothPositions;
  std::size_t newest = SensorHistoryRing::kSlots;
};

/// [position] or [position, newest], each in its range.
std::optional<HistoryQuery> historyQuery(const json& arguments) {
  if (!arguments.is_array() || arguments.empty() || arguments.size() > 2) return std::nullopt;
  for (const json& argument : arguments) {
    if (!argument.is_number_integer()) return std::nullopt;
  }
  HistoryQuery query;
  const std::int64_t position = arguments[0].get<std::int64_t>();
  if (position < kBothPositions || position > 1) return std::nullopt;
  query.position = static_cast<std::int32_t>(position);
  if (arguments.size() == 2) {
    const std::int64_t newest = arguments[1].get<std::int64_t>();
    if (newest < 1 || newest > static_cast<std::int64_t>(SensorHistoryRing::kSlots)) return std::nullopt;
    query.newest = static_cast<std::size_t>(newest);
  }
  return query;
}

TKSSensor* sensorAtPosition(const PluginController& controller, std::int32_t position) {
  const std::int32_t index = controller.preferredSensorIndexAtDisplayIndex(position);
  const SensorList& sensors = controller.sensorArray();
  if (index < 0 || static_cast<std::size_t>(index) >= sensors.size()) return nullptr;
  return sensors[static_cast<std::size_t>(index)].get();
}

/// A raw value as the page plots it: converted, in the chosen scale for temperatures.
double plottedValue(const PluginController& controller, const TKSSensor& sensor, std::int32_t rawValue) {
  double value = sensor.valueConverter().valueForRawSensorValue(rawValue);
  if (sensor.quantityType() == TKSQuantityTemperature) {
    value = widget::temperatureInScale(value, controller.preferredTemperatureUnitIndex());
  }
  return std::round(value * 1000) / 1000;  // far below any reading's precision; keeps the answer short
}

json positionHistory(const PluginController& controller, const RecentHistory& history, std::int32_t position,
                     std::size_t newest) {
  json answer = {{"position", position}, {"ring", nullptr},      {"end", nullptr},
                 {"samples", json::array()}, {"minimum", nullptr}, {"maximum", nullptr}};
  const TKSSensor* sensor = sensorAtPosition(controller, position);
  if (sensor == nullptr) return answer;
  const std::int32_t sensorIndex = controller.preferredSensorIndexAtDisplayIndex(position);
  const std::optional<SensorHistoryRing::Window> window = history.window(sensor->uniqueIdentifier());
  if (!window) return answer;  // nobody has read the sensor yet
  answer["ring"] = window->serial;
  answer["end"] = window->end;
  std::optional<std::pair<double, std::int32_t>> lowest;
  std::optional<std::pair<double, std::int32_t>> highest;
  json& samples = answer["samples"];
  const std::size_t firstSent = SensorHistoryRing::kSlots - newest;
  for (std::size_t index = 0; index < SensorHistoryRing::kSlots; ++index) {
    const std::optional<std::int32_t>& raw = window->samples[index];
    // A reading that failed is a gap, as is an interval without a reading.
    const bool present = raw && *raw != -1;
    const double value = present ? plottedValue(controller, *sensor, *raw) : 0;
    if (index >= firstSent) samples.push_back(present ? json(value) : json(nullptr));
    if (!present) continue;
    if (!lowest || value < lowest->first) lowest.emplace(value, *raw);
    if (!highest || value > highest->first) highest.emplace(value, *raw);
  }
  if (lowest) answer["minimum"] = controller.localizedReadingForRawValue(sensorIndex, lowest->second);
  if (highest) answer["maximum"] = controller.localizedReadingForRawValue(sensorIndex, highest->second);
  return answer;
}

json historyAnswer(const PluginController& controller, const RecentHistory& history, const HistoryQuery& query) {
  json positions = json::array();
  for (std::int32_t position : {0, 1}) {
    if (query.position == kBothPositions || query.position == position) {
      positions.push_back(positionHistory(controller, history, position, query.newest));
    }
  }
  const auto interval = std::chrono::duration_cast<std::chrono::seconds>(RecentHistory::kRefreshInterval);
  return json{{"result",
               {{"intervalSeconds", interval.count()},
                {"showsRecentHistory", controller.showsRecentHistory()},
                {"scale", controller.preferredTemperatureUnitIndex()},
                {"positions", std::move(positions)}}}};
}

}  // namespace

json dispatchWithHistory(PluginController& controller, RecentHistory& history, std::string_view name,
                         const json& arguments) {
  if (name == kRecentHistoryCall) {
    const std::optional<HistoryQuery> query = historyQuery(arguments);
    if (!query) return json{{"error", "expected a position (0, 1 or -1 for both) and optionally 1 to 300 samples"}};
    return historyAnswer(controller, history, *query);
  }
  if (name == kReadingCall && controller.showsRecentHistory()) {
    if (std::optional<std::int32_t> position = positionArgument(arguments)) {
      if (TKSSensor* sensor = sensorAtPosition(controller, *position)) {
        const std::int32_t rawValue = sensor->rawValue();
        history.record(sensor->uniqueIdentifier(), rawValue);
        const std::int32_t sensorIndex = controller.preferredSensorIndexAtDisplayIndex(*position);
        return json{{"result", controller.localizedReadingForRawValue(sensorIndex, rawValue)}};
      }
    }
  }
  return dispatchScriptCall(controller, name, arguments);
}

}  // namespace sw::host
