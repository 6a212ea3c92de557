// The widget's principal object: collects the machine's sensors once, keeps which sensor each of
// the two display positions shows and the temperature scale, and answers the widget's script.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sensors/TKSSensor.h"

namespace sw {

class TKSMachineInfo;
class WebView;
class WebScriptObject;

enum TKSWidgetState : std::int32_t {
  TKSWidgetStateNormal = 0,
  TKSWidgetStateNoSensors = 1,
  TKSWidgetStateUnsupportedModel = 2,
};

class PluginController : public std::enable_shared_from_this<PluginController> {
 public:
  /// The name under which the page's script finds the controller.
  static constexpr std::string_view kScriptObjectName = "PluginController";
  static constexpr std::string_view kLabelFontFamily = "Lucida Grande";
  static constexpr double kLabelFontSize = 10.0;

  /// Discovers and sorts every sensor and checks the machine's model (the platform's init).
  PluginController();
  /// The host's way to create a controller for a widget page; the web view is not kept.
  static std::shared_ptr<PluginController> initWithWebView(WebView& webView);
  /// Publishes the controller to the page's script under kScriptObjectName.
  void windowScriptObjectAvailable(WebScriptObject& windowObject);

  // ---- What the host's script bridge asks before exposing a member ----
  /// The script name of an operation given by its selector ("setTemperatureUnitIndex:"); nothing
  /// for operations the script may not call.
  static std::optional<std::string> webScriptNameForSelector(std::string_view selector);
  static bool isSelectorExcludedFromWebScript(std::string_view selector);
  static bool isKeyExcludedFromWebScript(std::string_view key);

  // ---- Script interface ----
  void setWidgetIdentifier(std::string identifier);
  void setMaximumSensorNameWidth(float width) { maxLabelWidth_ = width; }
  std::string localizedStringForElementWithName(std::string_view name) const;
  std::int32_t numberOfAvailableSensors() const;
  std::string localizedSensorNameAtDisplayIndex(std::int32_t displayIndex) const;
  std::string localizedDifferentiatingSensorNameAtIndex(std::int32_t sensorIndex) const;
  std::string localizedReadingAtDisplayIndex(std::int32_t displayIndex) const;
  std::string localizedStatusMessage() const;
  std::string localizedVersionMessage() const;
  std::string relativePathForTypeIconAtDisplayIndex(std::int32_t displayIndex) const;
  void setPreferredSensorIndexForDisplayIndex(std::int32_t sensorIndex, std::int32_t displayIndex);
  void setTemperatureUnitIndex(std::int32_t unitIndex);
  std::int32_t preferredSensorIndexAtDisplayIndex(std::int32_t displayIndex) const;
  std::int32_t preferredTemperatureUnitIndex() const { return preferredTemperatureUnit_; }
  /// Whether the front draws each reading's recent history; kept per instance.
  void setShowsRecentHistory(bool shows);
  bool showsRecentHistory() const { return showsRecentHistory_; }
  std::string bundleIdentifierForMasterApplication() const;
  std::string localizedURLForMasterApplication() const;
  void logDebugString(std::string_view message) const;

  // ---- Internal operations ----
  /// The index of the sensor with the unique identifier; 0xFFFFFFFF (-1) for an absent, empty or
  /// unknown identifier.
  std::uint32_t sensorIndexForSensorID(const std::optional<std::string>& identifier) const;
  /// The unique identifier of the sensor at a display position; "" for an empty position.
  std::string sensorIDForDisplayIndex(std::int32_t displayIndex) const;
  std::string localizedSensorNameAtIndex(std::int32_t sensorIndex) const;
  std::string localizedSensorUnitAtIndex(std::int32_t sensorIndex) const;
  /// The name shortened with the ellipsis until it fits maxLabelWidth; nothing for an absent
  /// name, or for a one-character name that does not fit.
  std::optional<std::string> prunedSensorNameForName(const std::optional<std::string>& name) const;
  /// The reading of any sensor, as localizedReadingAtDisplayIndex shows it (reads the sensor).
  std::string localizedReadingAtIndex(std::int32_t sensorIndex) const;
  /// The text for a raw value already read from the sensor at the index.
  std::string localizedReadingForRawValue(std::int32_t sensorIndex, std::int32_t rawValue) const;
  /// Takes a temperature scale (0 to 2) without storing it; false for any other index.
  bool selectTemperatureUnitIndex(std::int32_t unitIndex);

  // ---- Preferences ----
  void readPreferences();
  void writePreferences() const;
  std::optional<std::string> widgetInstanceKeyForPreferenceKey(const std::optional<std::string>& key) const;

  TKSWidgetState currentState() const { return currentState_; }
  const SensorList& sensorArray() const { return sensorArray_; }
  const std::shared_ptr<TKSMachineInfo>& machineInfo() const { return machineInfo_; }
  float maximumSensorNameWidth() const { return maxLabelWidth_; }

 private:
  /// The sensor at a sensor index, or null outside the list.
  TKSSensor* sensorAtIndex(std::int32_t sensorIndex) const;
  /// The sensor index held by a display position; -1 for a display index above 1 (unsigned).
  std::int32_t sensorIndexAtDisplayIndex(std::int32_t displayIndex) const;
  void indexSensorsByID();
  void checkModel();

  std::optional<std::string> widgetIdentifier_;
  SensorList sensorArray_;
  std::map<std::string, std::uint32_t, std::less<>> sensorIndicesByID_;
  std::shared_ptr<TKSMachineInfo> machineInfo_;
  TKSWidgetState currentState_ = TKSWidgetStateNormal;
  std::array<std::int32_t, 2> sensorIndices_{-1, -1};
  std::int32_t preferredTemperatureUnit_ = 0;
  bool showsRecentHistory_ = true;
  float maxLabelWidth_ = 1000.0f;
};

}  // namespace sw
