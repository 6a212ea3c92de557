// Reading and writing the widget's settings. Sensors are remembered by unique identifier, so a
// setting survives sensors being added or removed; the older form stored list positions and is
// still understood.
#include "widget/WidgetPreferences.h"

#include <array>
#include <cctype>
#include <optional>

#include "foundation/Numbers.h"
#include "foundation/Value.h"
#include "os/UserDefaults.h"
#include "widget/ReadingFormatter.h"

namespace sw::widget {

namespace {

constexpr std::string_view kTemperatureUnitKey = "IndexOfTemperatureUnit";
constexpr std::array<std::string_view, 2> kSensorIDKeys = {"SensorIDForDisplayPosition1",
                                                           "SensorIDForDisplayPosition2"};
constexpr std::string_view kShowsRecentHistoryKey = "ShowsRecentHistory";
constexpr std::array<std::string_view, 2> kOlderSensorIndexKeys = {"SensorIndexForDisplayPosition1",
                                                                   "SensorIndexForDisplayPosition2"};

const Dictionary* dictionaryAt(const Dictionary& dictionary, std::string_view key) {
  const Value* value = valueForKey(dictionary, key);
  return value == nullptr ? nullptr : value->asDictionary();
}

/// A stored number's integer value as the platform's number and text objects give it: numbers
/// truncated, a boolean as 0 or 1, a text by its leading decimal digits (after blanks and a
/// sign; none gives 0). Other kinds have none.
std::optional<std::int64_t> integerValueOf(const Value& stored) {
  if (std::optional<bool> flag = stored.asBoolean()) return *flag ? 1 : 0;
  const std::string* text = stored.asString();
  if (text == nullptr) return stored.asInteger();
  std::size_t position = text->find_first_not_of(" \t\n");
  if (position == std::string::npos) return 0;
  const bool negative = (*text)[position] == '-';
  if (negative || (*text)[position] == '+') ++position;
  double magnitude = 0;  // a double saturates where a long run of digits would overflow
  for (; position < text->size() && std::isdigit(static_cast<unsigned char>((*text)[position])); ++position) {
    magnitude = magnitude * 10 + ((*text)[position] - '0');
  }
  return clampToInt64(negative ? -magnitude : magnitude);
}

std::int32_t storedSensorIndex(const Dictionary& machine, const std::string& idKey, const std::string& olderIndexKey,
                               std::int32_t sensorCount, const WidgetPreferences::SensorIndexLookup& indexForID) {
  if (const Value* identifier = valueForKey(machine, idKey)) {
    const std::string* text = identifier->asString();
    return text == nullptr ? -1 : indexForID(*text);
  }
  if (const Value* olderIndex = valueForKey(machine, olderIndexKey)) {
    const std::int64_t index = integerValueOf(*olderIndex).value_or(-1);
    return index >= -1 && index < sensorCount ? static_cast<std::int32_t>(index) : -1;
  }
  return -1;
}

std::int32_t storedTemperatureUnit(const Dictionary& domain, const Dictionary& machine) {
  const Value* stored = valueForKey(domain, kTemperatureUnitKey);
  if (stored == nullptr) stored = valueForKey(machine, kTemperatureUnitKey);
  const std::int64_t unit = stored == nullptr ? 0 : integerValueOf(*stored).value_or(0);
  return unit >= kCelsius && unit <= kKelvin ? static_cast<std::int32_t>(unit) : kCelsius;
}

}  // namespace

WidgetPreferences::WidgetPreferences(std::string domainName, std::string machineSerialNumber)
    : domainName_(std::move(domainName)), machineSerialNumber_(std::move(machineSerialNumber)) {}

std::optional<std::string> WidgetPreferences::instanceKey(const std::optional<std::string>& widgetIdentifier,
                                                          const std::optional<std::string>& key) {
  if (!key) return std::nullopt;
  if (!widgetIdentifier) return key;
  return *widgetIdentifier + ":" + *key;
}

std::optional<WidgetPreferences::DisplaySettings> WidgetPreferences::read(
    const std::optional<std::string>& widgetIdentifier, std::int32_t sensorCount,
    const SensorIndexLookup& indexForID) const {
  if (domainName_.empty()) return std::nullopt;
  const std::optional<Dictionary> domain = os::UserDefaults::standardUserDefaults().persistentDomainForName(domainName_);
  if (!domain) return std::nullopt;
  const Dictionary* machine = dictionaryAt(*domain, machineSerialNumber_);
  if (machine == nullptr) return std::nullopt;

  DisplaySettings settings;
  for (std::size_t position = 0; position < settings.sensorIndices.size(); ++position) {
    settings.sensorIndices[position] =
        storedSensorIndex(*machine, *instanceKey(widgetIdentifier, std::string(kSensorIDKeys[position])),
                          *instanceKey(widgetIdentifier, std::string(kOlderSensorIndexKeys[position])), sensorCount,
                          indexForID);
  }
  settings.temperatureUnit = storedTemperatureUnit(*domain, *machine);
  // Absent (settings from before history existed) or unreadable means shown, the default.
  if (const Value* shows = valueForKey(*machine, *instanceKey(widgetIdentifier, std::string(kShowsRecentHistoryKey)))) {
    settings.showsRecentHistory = integerValueOf(*shows).value_or(1) != 0;
  }
  return settings;
}

bool WidgetPreferences::write(const std::optional<std::string>& widgetIdentifier,
                              const std::array<std::string, 2>& sensorIDs, std::int32_t temperatureUnit,
                              bool showsRecentHistory) const {
  if (domainName_.empty()) return false;
  // Read, changed and written under the domain's lock: another process's instance writing at
  // the same moment keeps its own keys.
  os::UserDefaults& defaults = os::UserDefaults::standardUserDefaults();
  const bool written = defaults.updatePersistentDomainForName(domainName_, [&](Dictionary& domain) {
    domain[std::string(kTemperatureUnitKey)] = Value::integer(temperatureUnit);
    const Dictionary* storedMachine = dictionaryAt(domain, machineSerialNumber_);
    Dictionary machine = storedMachine == nullptr ? Dictionary{} : *storedMachine;
    for (std::size_t position = 0; position < sensorIDs.size(); ++position) {
      machine[*instanceKey(widgetIdentifier, std::string(kSensorIDKeys[position]))] = Value(sensorIDs[position]);
      machine.erase(*instanceKey(widgetIdentifier, std::string(kOlderSensorIndexKeys[position])));
    }
    // Stored only when turned off, so that settings written before history existed stay as they were.
    const std::string historyKey = *instanceKey(widgetIdentifier, std::string(kShowsRecentHistoryKey));
    if (showsRecentHistory) {
      machine.erase(historyKey);
    } else {
      machine[historyKey] = Value::boolean(false);
    }
    domain[machineSerialNumber_] = Value(std::move(machine));
  });
  return written && defaults.synchronize();
}

}  // namespace sw::widget
