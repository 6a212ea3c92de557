// The older battery form: discovery over the platform services and the dictionary's keys.
#include "battery/TKSLegacyBatteryInfo.h"

namespace sw {
namespace {

constexpr std::string_view kBatteryInfoArray = "IOBatteryInfo";

// An element without one of these is no battery the driver finished describing.
constexpr std::string_view kRequiredKeys[] = {"Capacity", "Amperage", "Current", "Voltage", "Flags"};

struct BatteryService {
  std::string_view className;
  bool usingChild;
};

// The services that have carried the array over the machine generations, in the order they are asked.
constexpr BatteryService kBatteryServices[] = {
    {"AppleMacIODevice", false},
    {"AppleSMUDevice", false},
    {"AppleACPIBattery", true},
};

bool isComplete(const TKSIORegistrySubEntry& element) {
  for (std::string_view key : kRequiredKeys) {
    if (!element.hasValueWithName(key)) return false;
  }
  return true;
}

std::shared_ptr<TKSIORegistryEntry> entryHoldingBatteryInfo(const std::shared_ptr<TKSIORegistryEntry>& service,
                                                            bool usingChild) {
  if (service->hasValueWithName(kBatteryInfoArray)) return service;
  if (!usingChild) return nullptr;
  std::shared_ptr<TKSIORegistryEntry> child = service->childServiceEntry();
  if (child && child->hasValueWithName(kBatteryInfoArray)) return child;
  return nullptr;
}

}  // namespace

BatteryList TKSLegacyBatteryInfo::allBatteries() {
  BatteryList batteries;
  for (const BatteryService& service : kBatteryServices) {
    batteries = allBatteryEntriesForServiceNameUsingChild(service.className, service.usingChild).value_or(BatteryList{});
    if (!batteries.empty()) break;
  }
  return batteries;
}

std::optional<BatteryList> TKSLegacyBatteryInfo::allBatteryEntriesForServiceNameUsingChild(std::string_view serviceName,
                                                                                           bool usingChild) {
  if (serviceName.empty()) return std::nullopt;
  BatteryList batteries;
  const RegistryEntryList services = TKSIORegistryEntry::serviceObjectsMatchingName(serviceName).value_or(RegistryEntryList{});
  for (const auto& service : services) {
    std::shared_ptr<TKSIORegistryEntry> holder = entryHoldingBatteryInfo(service, usingChild);
    if (!holder) continue;
    for (auto& element : holder->subEntriesWithName(kBatteryInfoArray).value_or(RegistrySubEntryList{})) {
      if (!isComplete(*element)) continue;
      if (auto battery = createWithIORegistryEntry(std::move(element))) batteries.push_back(std::move(battery));
    }
  }
  return batteries;
}

std::shared_ptr<TKSLegacyBatteryInfo> TKSLegacyBatteryInfo::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistrySubEntry> entry) {
  if (!entry) return nullptr;
  return std::shared_ptr<TKSLegacyBatteryInfo>(new TKSLegacyBatteryInfo(std::move(entry)));
}

double TKSLegacyBatteryInfo::totalCapacity() const { return intValue("Capacity"); }

double TKSLegacyBatteryInfo::currentCapacity() const { return intValue("Current"); }

double TKSLegacyBatteryInfo::maximumCapacity() const { return intValue("AbsoluteMaxCapacity"); }

std::uint32_t TKSLegacyBatteryInfo::chargeCycles() const { return static_cast<std::uint32_t>(intValue("Cycle Count")); }

std::uint32_t TKSLegacyBatteryInfo::batteryFlags() const { return static_cast<std::uint32_t>(intValue("Flags")); }

bool TKSLegacyBatteryInfo::hasExtendedInformation() const { return chargeCycles() != 0 && maximumCapacity() != 0.0; }

}  // namespace sw
