// Fan controls of the platform drivers and of the fan control unit.
#include "platform/TKSGenericFanController.h"

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

constexpr std::string_view kTypeKey = "type";
constexpr std::string_view kControlIDKey = "control-id";
constexpr std::string_view kLocationKey = "location";
constexpr std::string_view kTargetKey = "target-value";
constexpr std::string_view kCurrentKey = "current-value";

/// The quantity of a fan control type; nothing for other controls.
std::optional<std::int32_t> fanQuantity(const std::optional<std::string>& type) {
  if (type == "fan-rpm") return TKSQuantityFanSpeed;
  if (type == "fan-pwm") return TKSQuantityFanDutyCycle;
  return std::nullopt;
}

bool hasAll(const TKSIORegistryEntry& entry, std::initializer_list<std::string_view> keys) {
  for (std::string_view key : keys) {
    if (!entry.hasValueWithName(key)) return false;
  }
  return true;
}

std::string fanUnit(std::int32_t quantity) {
  if (quantity == TKSQuantityFanSpeed) return "RPM";
  if (quantity == TKSQuantityFanDutyCycle) return "%";
  return " ";
}

/// A speed, or the duty cycle in whole percent of the control's full-scale count.
std::int32_t fanReading(const TKSIORegistryEntry& entry, std::int32_t quantity, bool swapped, double countsPerPercent) {
  if (quantity == TKSQuantityFanSpeed) return entry.intValueWithName(swapped ? kTargetKey : kCurrentKey);
  if (quantity != TKSQuantityFanDutyCycle) return 0;
  // A missing duty cycle (-1 or 0 from the getters) truncates to 0.
  return clampToInt32(entry.intValueWithName(kTargetKey) / countsPerPercent);
}

}  // namespace

SensorList TKSGenericFanController::allSensors() {
  return platform::sensorsForServices("IOHWControl", &createWithIORegistryEntry);
}

platform::DisambiguatedIdentifiers& TKSGenericFanController::disambiguatedSensorIdentifiers() {
  static ProcessWide<platform::DisambiguatedIdentifiers> identifiers;
  return identifiers.get();
}

std::shared_ptr<TKSGenericFanController> TKSGenericFanController::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry || !hasAll(*entry, {kTypeKey, kControlIDKey, kLocationKey, kTargetKey})) return nullptr;
  const std::optional<std::int32_t> quantity = fanQuantity(entry->stringValueWithName(kTypeKey));
  if (!quantity) return nullptr;
  auto sensor = std::make_shared<TKSGenericFanController>();
  sensor->sensorEntry_ = std::move(entry);
  const TKSIORegistryEntry& node = *sensor->sensorEntry_;
  sensor->setQuantityType(*quantity);
  const std::optional<std::string> driverClass = platform::publishingDriverClassName(node);
  const std::int32_t controlID = node.intValueWithName(kControlIDKey);
  sensor->setUniqueIdentifier(stringWithFormat("hwcontrol.%@.%d", driverClass, controlID));
  if (auto location = node.stringValueWithName(kLocationKey)) sensor->setLocationIdentifier(*location);
  sensor->setSensorType(1);
  if (driverClass == "AppleSMUMonitor") {
    sensor->setSensorName(platform::localizedSensorName("Apple System Management Unit"));
  } else if (driverClass == "NVDA") {
    sensor->setSensorName(platform::localizedSensorName("nVidia Graphics Card"));
    sensor->setUniqueIdentifier(platform::disambiguatedIdentifier(disambiguatedSensorIdentifiers(), "hwcontrol.%@.%u",
                                                                  driverClass,
                                                                  sensor->substituteIDForLocationIdentifier(), controlID));
  } else {
    sensor->setSensorName(platform::localizedSensorName("Unknown Fan Sensor"));
  }
  return sensor;
}

std::int32_t TKSGenericFanController::rawValue() {
  return fanReading(*sensorEntry_, quantityType(), swappedSemantics_, 10.23);
}

std::string TKSGenericFanController::unit() const { return fanUnit(quantityType()); }

SensorList TKSFanControlUnit::allSensors() {
  SensorList sensors;
  for (const auto& unit : TKSIORegistryEntry::serviceObjectsMatchingName("AppleFCU").value_or(RegistryEntryList{})) {
    for (auto& control : unit->subEntriesWithName("control-info").value_or(RegistrySubEntryList{})) {
      if (auto sensor = createWithIORegistrySubEntry(std::move(control))) sensors.push_back(std::move(sensor));
    }
  }
  return sensors;
}

std::shared_ptr<TKSFanControlUnit> TKSFanControlUnit::createWithIORegistrySubEntry(
    std::shared_ptr<TKSIORegistrySubEntry> subEntry) {
  if (!subEntry) return nullptr;
  auto sensor = std::make_shared<TKSFanControlUnit>();
  sensor->subEntry_ = std::move(subEntry);
  std::shared_ptr<TKSMachineInfo> machine = TKSMachineInfo::sharedMachineInfo();
  sensor->swapValues_ = machine && machine->appleModelCode().starts_with("PowerMac");
  const TKSIORegistrySubEntry& control = *sensor->subEntry_;
  if (!hasAll(control, {kTargetKey, kCurrentKey, kControlIDKey, kLocationKey, kTypeKey})) return nullptr;
  sensor->setUniqueIdentifier(
      stringWithFormat("fcu.%@.%d", control.driverClassName(), control.intValueWithName(kControlIDKey)));
  if (auto location = control.stringValueWithName(kLocationKey)) sensor->setLocationIdentifier(*location);
  sensor->setSensorName(platform::localizedSensorName("Apple Fan Control Unit"));
  sensor->setSensorType(1);
  const std::optional<std::int32_t> quantity = fanQuantity(control.stringValueWithName(kTypeKey));
  if (!quantity) return nullptr;
  sensor->setQuantityType(*quantity);
  return sensor;
}

std::int32_t TKSFanControlUnit::rawValue() { return fanReading(*subEntry_, quantityType(), swapValues_, 2.55); }

std::string TKSFanControlUnit::unit() const { return fanUnit(quantityType()); }

}  // namespace sw
