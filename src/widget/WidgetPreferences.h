// The widget's stored settings: the temperature scale for every instance, and per machine (by
// serial number) and per widget instance the sensor of each display position and whether recent
// history is drawn, kept in the plug-in's persistent defaults domain.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sw::widget {

class WidgetPreferences {
 public:
  /// What the stored settings say about one widget instance.
  struct DisplaySettings {
    std::array<std::int32_t, 2> sensorIndices{-1, -1};
    std::int32_t temperatureUnit = 0;
    bool showsRecentHistory = true;
  };
  /// Finds a stored unique identifier among the current sensors: its index, or -1.
  using SensorIndexLookup = std::function<std::int32_t(const std::string&)>;

  /// An empty domain name (a plug-in without a bundle identifier) stores nothing.
  WidgetPreferences(std::string domainName, std::string machineSerialNumber);

  /// "<widget identifier>:<key>", or the key alone without a widget identifier.
  static std::optional<std::string> instanceKey(const std::optional<std::string>& widgetIdentifier,
                                                const std::optional<std::string>& key);

  /// The instance's settings; nothing when the domain or this machine's dictionary is missing.
  /// Every sensor index returned is -1 or below sensorCount.
  std::optional<DisplaySettings> read(const std::optional<std::string>& widgetIdentifier,
                                      std::int32_t sensorCount, const SensorIndexLookup& indexForID) const;

  /// Stores the instance's sensor identifiers ("" for an empty position), the scale and whether
  /// it shows recent history into the domain as it is stored now, dropping the older index keys
  /// and keeping every other key.
  bool write(const std::optional<std::string>& widgetIdentifier, const std::array<std::string, 2>& sensorIDs,
             std::int32_t temperatureUnit, bool showsRecentHistory = true) const;

 private:
  std::string domainName_;
  std::string machineSerialNumber_;
};

}  // namespace sw::widget
