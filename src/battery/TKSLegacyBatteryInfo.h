// A battery of the older power-management form: one dictionary of the "IOBatteryInfo" array that
// a platform service (or its first child) publishes. A key missing from the dictionary reads as 0.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "battery/TKSBatteryInfo.h"
#include "ioregistry/TKSIORegistrySubEntry.h"

namespace sw {

class TKSLegacyBatteryInfo : public TKSBatteryInfo {
 public:
  /// The batteries of the first service class that yields any: "AppleMacIODevice",
  /// "AppleSMUDevice", then "AppleACPIBattery" (looking at its first child too).
  static BatteryList allBatteries();
  /// One battery per complete element of "IOBatteryInfo" on every service of the class (or on its
  /// first child when usingChild is set and the service has none); nothing for an empty name.
  static std::optional<BatteryList> allBatteryEntriesForServiceNameUsingChild(std::string_view serviceName,
                                                                              bool usingChild);

  static std::shared_ptr<TKSLegacyBatteryInfo> createWithIORegistryEntry(std::shared_ptr<TKSIORegistrySubEntry> entry);

  std::string className() const override { return "TKSLegacyBatteryInfo"; }
  double totalCapacity() const override;
  double currentCapacity() const override;
  double maximumCapacity() const override;
  std::uint32_t chargeCycles() const override;
  std::uint32_t batteryFlags() const override;
  bool hasExtendedInformation() const override;

 private:
  using TKSBatteryInfo::TKSBatteryInfo;
};

}  // namespace sw
