// The battery model's shared part: the flag table, the readings common to both forms, discovery.
#include "battery/TKSBatteryInfo.h"

#include <cmath>
#include <iterator>

#include "battery/TKSLegacyBatteryInfo.h"
#include "battery/TKSSmartBatteryInfo.h"
#include "foundation/Format.h"
#include "foundation/ProcessWide.h"
#include "os/Bundle.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

struct BatteryFlag {
  const char* statusKey;
  const char* descriptionText;
};

// Bit i of the flags is element i; higher bits are carried but have no key and no text.
constexpr BatteryFlag kBatteryFlags[] = {
    {"AC Adapter Connected", "AC adapter connected"},
    {"Charging", "charging"},
    {"Installed", "installed"},
    {"UPS Installed", "UPS installed"},
    {"Warning State", "in warning state"},
    {"Depleted", "depleted"},
    {"Cannot Charge", "cannot charge"},
    {"Raw Low", "low power"},
    {"Force Low Speed", "enforcing low speed"},
    {"Clamshell Closed", "lid is closed"},
    {"Clamshell on Wake", "maintain clamshell state"},
};

constexpr double kMilli = 1000.0;

bool& absoluteCurrents() {
  static ProcessWide<bool> enforces([] { return true; });
  return enforces.get();
}

std::string hostText(std::string_view key) { return os::Bundle::mainBundle().localizedStringForKey(key, key, ""); }

}  // namespace

std::shared_ptr<TKSBatteryInfo> TKSBatteryInfo::createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry) return nullptr;
  return std::shared_ptr<TKSBatteryInfo>(new TKSBatteryInfo(std::move(entry)));
}

BatteryList TKSBatteryInfo::allBatteries() {
  BatteryList batteries = TKSLegacyBatteryInfo::allBatteries();
  if (!batteries.empty()) return batteries;
  for (auto& battery : TKSSmartBatteryInfo::allBatteries()) batteries.push_back(std::move(battery));
  return batteries;
}

void TKSBatteryInfo::setEnforcesAbsoluteBatteryCurrents(bool enforces) { absoluteCurrents() = enforces; }

bool TKSBatteryInfo::enforcesAbsoluteBatteryCurrents() { return absoluteCurrents(); }

std::string TKSBatteryInfo::localizedBatteryStatusDescriptionForBatteryFlags(std::uint32_t flags) {
  std::string text;
  for (std::uint32_t bit = 0; bit < std::size(kBatteryFlags); ++bit) {
    if ((flags & (1U << bit)) == 0) continue;
    text += stringWithFormat("%@ %@\n", "\u2022", hostText(kBatteryFlags[bit].descriptionText));
  }
  return text.empty() ? hostText("normal") : text;
}

std::int32_t TKSBatteryInfo::intValue(std::string_view name) const {
  return batteryEntry_ ? batteryEntry_->intValueWithName(name) : 0;
}

double TKSBatteryInfo::voltage() const { return intValue("Voltage") / kMilli; }

double TKSBatteryInfo::amperage() const {
  double amperes = intValue("Amperage") / kMilli;
  return enforcesAbsoluteBatteryCurrents() ? std::fabs(amperes) : amperes;
}

double TKSBatteryInfo::totalCapacity() const {
  logSubclassImplementationErrorWithMethodName("totalCapacity");
  return 0;
}

double TKSBatteryInfo::currentCapacity() const {
  logSubclassImplementationErrorWithMethodName("currentCapacity");
  return 0;
}

double TKSBatteryInfo::maximumCapacity() const {
  logSubclassImplementationErrorWithMethodName("maximumCapacity");
  return 0;
}

std::uint32_t TKSBatteryInfo::chargeCycles() const {
  logSubclassImplementationErrorWithMethodName("chargeCycles");
  return 0;
}

std::uint32_t TKSBatteryInfo::batteryFlags() const {
  logSubclassImplementationErrorWithMethodName("batteryFlags");
  return 0;
}

Dictionary TKSBatteryInfo::batteryStatus() const {
  const std::uint32_t flags = batteryFlags();
  Dictionary status;
  for (std::uint32_t bit = 0; bit < std::size(kBatteryFlags); ++bit) {
    status.emplace(kBatteryFlags[bit].statusKey, Value::boolean((flags & (1U << bit)) != 0));
  }
  return status;
}

bool TKSBatteryInfo::batteryStatusForKey(std::uint32_t bit) const {
  return bit < 32 && (batteryFlags() & (1U << bit)) != 0;
}

Dictionary TKSBatteryInfo::currentReadouts() const {
  return Dictionary{
      {"BatteryStatus", Value::integer(batteryFlags())},
      {"Voltage", Value::real(voltage())},
      {"Amperage", Value::real(amperage())},
      {"TotalCapacity", Value::real(totalCapacity())},
      {"CurrentCapacity", Value::real(currentCapacity())},
      {"MaximumCapacity", Value::real(maximumCapacity())},
      {"ChargeCycles", Value::integer(chargeCycles())},
      {"HasExtendedInfo", Value::boolean(hasExtendedInformation())},
      {"HasSmartInfo", Value::boolean(hasSmartInformation())},
  };
}

std::string TKSBatteryInfo::commonDescription() const {
  return stringWithFormat(
      "%@: Total Capacity: %f mAh Current Capacity: %f mAh Maximum Capacity: %f mAh Voltage: %f V Amperage: %f A "
      "Flags: 0x%x: %@ Cycles: %u",
      className(), totalCapacity(), currentCapacity(), maximumCapacity(), voltage(), amperage(), batteryFlags(),
      Value(batteryStatus()), chargeCycles());
}

std::string TKSBatteryInfo::description() const { return commonDescription() + "\n"; }

void TKSBatteryInfo::logSubclassImplementationErrorWithMethodName(std::string_view methodName) const {
  if (methodName.empty()) return;
  os::systemLog(stringWithFormat("%@: implementation error: -%@ fell back to abstract class because not overridden.\n",
                                 className(), methodName));
}

}  // namespace sw
