// One battery of the machine as its power-management driver publishes it, read from the registry
// at every question; nothing is cached. The two published forms are the subclasses: the older
// "IOBatteryInfo" array and the smart-battery service.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "ioregistry/TKSIORegistryEntry.h"

namespace sw {

class TKSBatteryInfo;
using BatteryList = std::vector<std::shared_ptr<TKSBatteryInfo>>;

class TKSBatteryInfo {
 public:
  /// A battery without registry object: every reading is 0.
  TKSBatteryInfo() = default;
  virtual ~TKSBatteryInfo() = default;
  TKSBatteryInfo(const TKSBatteryInfo&) = delete;
  TKSBatteryInfo& operator=(const TKSBatteryInfo&) = delete;

  /// Keeps the entry; nothing for an absent entry.
  static std::shared_ptr<TKSBatteryInfo> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);

  /// The batteries of the older form when there is at least one, else the smart batteries; the
  /// two forms are never mixed.
  static BatteryList allBatteries();
  /// Whether currents are reported without sign, for every battery; initially true.
  static void setEnforcesAbsoluteBatteryCurrents(bool enforces);
  static bool enforcesAbsoluteBatteryCurrents();
  /// One bulleted line per flag that is set, in bit order, translated through the host's table;
  /// the translated "normal" when none is.
  static std::string localizedBatteryStatusDescriptionForBatteryFlags(std::uint32_t flags);

  virtual std::string className() const { return "TKSBatteryInfo"; }
  const std::shared_ptr<TKSIORegistryEntry>& batteryEntry() const { return batteryEntry_; }

  /// Volts.
  double voltage() const;
  /// Amperes; without sign while absolute currents are enforced.
  double amperage() const;
  /// Milliampere-hours.
  virtual double totalCapacity() const;
  virtual double currentCapacity() const;
  virtual double maximumCapacity() const;
  virtual std::uint32_t chargeCycles() const;
  virtual std::uint32_t batteryFlags() const;
  virtual std::optional<std::string> manufacturer() const { return std::nullopt; }
  virtual std::optional<std::string> batteryDeviceName() const { return std::nullopt; }
  virtual std::optional<std::string> serialNumber() const { return std::nullopt; }
  virtual std::optional<Date> manufacturingDate() const { return std::nullopt; }
  virtual bool hasExtendedInformation() const { return false; }
  virtual bool hasSmartInformation() const { return false; }

  /// Each of the eleven status keys mapped to whether its flag is set.
  Dictionary batteryStatus() const;
  /// Whether a bit (0…31) of the flags is set; false for other indexes.
  bool batteryStatusForKey(std::uint32_t bit) const;
  /// The current values under their readout keys.
  virtual Dictionary currentReadouts() const;
  virtual std::string description() const;

  /// Logs that an operation reached the abstract base; an empty name logs nothing.
  void logSubclassImplementationErrorWithMethodName(std::string_view methodName) const;

 protected:
  explicit TKSBatteryInfo(std::shared_ptr<TKSIORegistryEntry> entry) : batteryEntry_(std::move(entry)) {}

  /// A number property of the entry; 0 without entry, otherwise the entry's missing-value result.
  std::int32_t intValue(std::string_view name) const;
  /// The part of the description that both forms share, without the closing line feed.
  std::string commonDescription() const;

 private:
  std::shared_ptr<TKSIORegistryEntry> batteryEntry_;
};

}  // namespace sw
