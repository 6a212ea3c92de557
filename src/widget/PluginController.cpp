// The widget's principal object: sensor list, display positions, temperature scale, and the
// script's view of them.
#include "widget/PluginController.h"

#include <algorithm>
#include <array>

#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "os/Bundle.h"
#include "os/SystemLog.h"
#include "os/TextMeasurer.h"
#include "system/TKSMachineInfo.h"
#include "widget/ReadingFormatter.h"
#include "widget/ScriptOperations.h"
#include "widget/SupportedModels.h"
#include "widget/WebView.h"
#include "widget/WidgetPreferences.h"
#include "widget/WidgetStrings.h"

namespace sw {

namespace {

constexpr std::string_view kMasterApplicationBundleIdentifier = "org.sensorwidget.SensorMonitor";
constexpr std::string_view kMasterApplicationURL = "https://sensorwidget.org/monitor/";

/// A display index counts as valid when, taken as unsigned, it is 0 or 1: negative ones are not.
bool isDisplayIndex(std::int32_t displayIndex) { return static_cast<std::uint32_t>(displayIndex) <= 1; }

widget::WidgetPreferences preferencesOf(const TKSMachineInfo& machineInfo) {
  return widget::WidgetPreferences(os::Bundle::pluginBundle().bundleIdentifier().value_or(""),
                                   machineInfo.machineSerialNumber());
}

/// Temperatures carry the unit of the chosen scale; every other quantity its sensor's own.
std::string unitKeyOf(const TKSSensor& sensor, std::int32_t temperatureScale) {
  return sensor.quantityType() == TKSQuantityTemperature ? std::string(widget::temperatureUnitKey(temperatureScale))
                                                         : sensor.unit();
}

double labelWidthOf(std::string_view text) {
  return os::currentTextMeasurer().widthOfText(text, PluginController::kLabelFontFamily,
                                               PluginController::kLabelFontSize);
}

}  // namespace

// ---- Construction and the host ----

PluginController::PluginController() : machineInfo_(TKSMachineInfo::sharedMachineInfo()) {
  sensorArray_ = TKSSensor::allSensors();
  std::stable_sort(sensorArray_.begin(), sensorArray_.end(),
                   [](const auto& left, const auto& right) { return left->compare(*right) < 0; });
  indexSensorsByID();
  if (sensorArray_.empty()) currentState_ = TKSWidgetStateNoSensors;
  checkModel();
}

void PluginController::indexSensorsByID() {
  for (std::uint32_t index = 0; index < sensorArray_.size(); ++index) {
    // A later sensor with the same identifier takes the entry, as a dictionary would.
    sensorIndicesByID_.insert_or_assign(sensorArray_[index]->uniqueIdentifier(), index);
  }
}

void PluginController::checkModel() {
  const std::string model = machineInfo_ ? machineInfo_->appleModelCode() : std::string();
  if (!model.empty() && isSupportedModel(model)) return;
  currentState_ = TKSWidgetStateUnsupportedModel;
  sensorArray_.clear();
  sensorIndicesByID_.clear();
}

std::shared_ptr<PluginController> PluginController::initWithWebView(WebView& /*webView*/) {
  return std::make_shared<PluginController>();
}

void PluginController::windowScriptObjectAvailable(WebScriptObject& windowObject) {
  windowObject.setValueForKey(weak_from_this(), kScriptObjectName);
}

std::optional<std::string> PluginController::webScriptNameForSelector(std::string_view selector) {
  const widget::ScriptOperation* operation = widget::scriptOperationForSelector(selector);
  if (operation == nullptr) return std::nullopt;
  return std::string(operation->scriptName);
}

bool PluginController::isSelectorExcludedFromWebScript(std::string_view selector) {
  return widget::scriptOperationForSelector(selector) == nullptr;
}

bool PluginController::isKeyExcludedFromWebScript(std::string_view /*key*/) { return true; }

// ---- Sensor list and display positions ----

TKSSensor* PluginController::sensorAtIndex(std::int32_t sensorIndex) const {
  if (sensorIndex < 0 || static_cast<std::size_t>(sensorIndex) >= sensorArray_.size()) return nullptr;
  return sensorArray_[static_cast<std::size_t>(sensorIndex)].get();
}

std::int32_t PluginController::sensorIndexAtDisplayIndex(std::int32_t displayIndex) const {
  return isDisplayIndex(displayIndex) ? sensorIndices_[static_cast<std::size_t>(displayIndex)] : -1;
}

std::int32_t PluginController::numberOfAvailableSensors() const {
  return static_cast<std::int32_t>(sensorArray_.size());
}

std::uint32_t PluginController::sensorIndexForSensorID(const std::optional<std::string>& identifier) const {
  if (!identifier || identifier->empty()) return 0xFFFFFFFFu;
  auto found = sensorIndicesByID_.find(*identifier);
  return found == sensorIndicesByID_.end() ? 0xFFFFFFFFu : found->second;
}

std::string PluginController::sensorIDForDisplayIndex(std::int32_t displayIndex) const {
  const TKSSensor* sensor = sensorAtIndex(sensorIndexAtDisplayIndex(displayIndex));
  return sensor == nullptr ? std::string() : sensor->uniqueIdentifier();
}

void PluginController::setWidgetIdentifier(std::string identifier) {
  widgetIdentifier_ = std::move(identifier);
  readPreferences();
  if (sensorArray_.empty() || sensorIndices_[0] != -1 || sensorIndices_[1] != -1) return;
  sensorIndices_[0] = 0;
  if (sensorArray_.size() >= 2) sensorIndices_[1] = 1;
  writePreferences();
}

void PluginController::setPreferredSensorIndexForDisplayIndex(std::int32_t sensorIndex, std::int32_t displayIndex) {
  if (!isDisplayIndex(displayIndex) || sensorIndex < -1 || sensorIndex >= numberOfAvailableSensors()) return;
  sensorIndices_[static_cast<std::size_t>(displayIndex)] = sensorIndex;
  writePreferences();
}

std::int32_t PluginController::preferredSensorIndexAtDisplayIndex(std::int32_t displayIndex) const {
  return sensorIndexAtDisplayIndex(displayIndex);
}

bool PluginController::selectTemperatureUnitIndex(std::int32_t unitIndex) {
  if (!widget::isTemperatureScale(unitIndex)) return false;
  preferredTemperatureUnit_ = unitIndex;
  return true;
}

void PluginController::setTemperatureUnitIndex(std::int32_t unitIndex) {
  if (selectTemperatureUnitIndex(unitIndex)) writePreferences();
}

void PluginController::setShowsRecentHistory(bool shows) {
  showsRecentHistory_ = shows;
  writePreferences();
}

// ---- Preferences ----

std::optional<std::string> PluginController::widgetInstanceKeyForPreferenceKey(
    const std::optional<std::string>& key) const {
  return widget::WidgetPreferences::instanceKey(widgetIdentifier_, key);
}

void PluginController::readPreferences() {
  if (!machineInfo_) return;
  const auto stored = preferencesOf(*machineInfo_).read(
      widgetIdentifier_, numberOfAvailableSensors(),
      [this](const std::string& identifier) { return static_cast<std::int32_t>(sensorIndexForSensorID(identifier)); });
  if (!stored) return;
  sensorIndices_ = stored->sensorIndices;
  preferredTemperatureUnit_ = stored->temperatureUnit;
  showsRecentHistory_ = stored->showsRecentHistory;
}

void PluginController::writePreferences() const {
  if (!machineInfo_) return;
  preferencesOf(*machineInfo_).write(widgetIdentifier_, {sensorIDForDisplayIndex(0), sensorIDForDisplayIndex(1)},
                                     preferredTemperatureUnit_, showsRecentHistory_);
}

// ---- Names ----

std::string PluginController::localizedSensorNameAtIndex(std::int32_t sensorIndex) const {
  const TKSSensor* sensor = sensorAtIndex(sensorIndex);
  return sensor == nullptr ? std::string() : widget::localizedLocationName(sensor->locationIdentifier());
}

std::string PluginController::localizedSensorUnitAtIndex(std::int32_t sensorIndex) const {
  const TKSSensor* sensor = sensorAtIndex(sensorIndex);
  return sensor == nullptr ? std::string() : widget::localizedString(unitKeyOf(*sensor, preferredTemperatureUnit_));
}

std::optional<std::string> PluginController::prunedSensorNameForName(const std::optional<std::string>& name) const {
  if (!name) return std::nullopt;
  double width = labelWidthOf(*name);
  if (maxLabelWidth_ >= width) return name;
  // Drop one character at a time from the end until the name with the ellipsis fits; the first
  // character (whole, even when it is a surrogate pair) with the ellipsis is the shortest
  // candidate, fitting or not.
  std::optional<std::string> candidate;
  const std::size_t shortest = utf16UnitsOfFirstCharacter(*name);
  for (std::size_t kept = utf16Length(*name); kept > shortest && width > maxLabelWidth_;) {
    --kept;
    candidate = utf16Prefix(*name, kept) + widget::localizedEllipsis();
    width = labelWidthOf(*candidate);
  }
  return candidate;
}

std::string PluginController::localizedSensorNameAtDisplayIndex(std::int32_t displayIndex) const {
  if (!isDisplayIndex(displayIndex)) return {};
  return prunedSensorNameForName(localizedSensorNameAtIndex(sensorIndexAtDisplayIndex(displayIndex))).value_or("");
}

std::string PluginController::localizedDifferentiatingSensorNameAtIndex(std::int32_t sensorIndex) const {
  const std::string name = localizedSensorNameAtIndex(sensorIndex);
  const std::string unit = localizedSensorUnitAtIndex(sensorIndex);
  if (name.empty() || unit.empty()) return {};
  return stringWithFormat("[%@] %@", unit, name);
}

std::string PluginController::localizedStringForElementWithName(std::string_view name) const {
  return widget::localizedString(name);
}

// ---- Readings and icons ----

std::string PluginController::localizedReadingForRawValue(std::int32_t sensorIndex, std::int32_t rawValue) const {
  const TKSSensor* sensor = sensorAtIndex(sensorIndex);
  if (sensor == nullptr) return {};
  if (rawValue == -1) return "---";
  const std::int32_t quantityType = sensor->quantityType();
  double value = sensor->valueConverter().valueForRawSensorValue(rawValue);
  if (quantityType == TKSQuantityTemperature) value = widget::temperatureInScale(value, preferredTemperatureUnit_);
  return widget::formattedReading(value, quantityType, sensor->precision(),
                                  widget::localizedString(unitKeyOf(*sensor, preferredTemperatureUnit_)));
}

std::string PluginController::localizedReadingAtIndex(std::int32_t sensorIndex) const {
  TKSSensor* sensor = sensorAtIndex(sensorIndex);
  return sensor == nullptr ? std::string() : localizedReadingForRawValue(sensorIndex, sensor->rawValue());
}

std::string PluginController::localizedReadingAtDisplayIndex(std::int32_t displayIndex) const {
  return localizedReadingAtIndex(sensorIndexAtDisplayIndex(displayIndex));
}

std::string PluginController::relativePathForTypeIconAtDisplayIndex(std::int32_t displayIndex) const {
  const TKSSensor* sensor = sensorAtIndex(sensorIndexAtDisplayIndex(displayIndex));
  return std::string(sensor == nullptr ? widget::kNullIconPath : widget::relativePathForTypeIcon(sensor->quantityType()));
}

// ---- Messages ----

std::string PluginController::localizedStatusMessage() const {
  switch (currentState_) {
    case TKSWidgetStateNoSensors: return widget::localizedString("No accessible sensors found");
    case TKSWidgetStateUnsupportedModel: return widget::localizedString("Model series not supported.", "Unsupported machine");
    default: return {};
  }
}

std::string PluginController::localizedVersionMessage() const {
  const std::string* text = stringForKey(os::Bundle::pluginBundle().infoDictionary(), "CFBundleShortVersionString");
  if (text == nullptr || text->empty()) return {};
  return stringWithFormat(widget::localizedString("Version: %@"), *text);
}

std::string PluginController::bundleIdentifierForMasterApplication() const {
  return std::string(kMasterApplicationBundleIdentifier);
}

std::string PluginController::localizedURLForMasterApplication() const {
  return widget::localizedString(kMasterApplicationURL);
}

void PluginController::logDebugString(std::string_view message) const {
  os::systemLog(stringWithFormat("Debug message('%@')\n", message));
}

}  // namespace sw
