// A smart battery: an "AppleSmartBattery" service whose properties describe one battery in
// detail, with its identity, temperature and cell voltages. A missing number reads as -1.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battery/TKSBatteryInfo.h"

namespace sw {

class TKSSmartBatteryInfo;
using SmartBatteryList = std::vector<std::shared_ptr<TKSSmartBatteryInfo>>;

class TKSSmartBatteryInfo : public TKSBatteryInfo {
 public:
  /// Every smart-battery service that publishes all the properties a battery needs; the others
  /// are skipped.
  static SmartBatteryList allBatteries();
  static std::shared_ptr<TKSSmartBatteryInfo> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry);

  std::string className() const override { return "TKSSmartBatteryInfo"; }
  double totalCapacity() const override;
  double currentCapacity() const override;
  double maximumCapacity() const override;
  std::uint32_t chargeCycles() const override;
  /// The flags of the "LegacyBatteryInfo" dictionary; 0 when they are no number.
  std::uint32_t batteryFlags() const override;
  std::optional<std::string> manufacturer() const override;
  std::optional<std::string> batteryDeviceName() const override;
  /// The firmware's serial number as decimal text, else the "Serial" text.
  std::optional<std::string> serialNumber() const override;
  /// The packed manufacturing day at the start of that day in the user's time zone; nothing when
  /// the property is gone.
  std::optional<Date> manufacturingDate() const override;
  bool hasExtendedInformation() const override { return true; }
  bool hasSmartInformation() const override { return true; }

  /// Degrees Celsius; 0.0 when no temperature is known.
  double temperature() const;
  /// The cells up to the first that reads 0.
  std::uint32_t numberOfCells() const;
  /// Volts; 0.0 for an index at or beyond the number of cells.
  double cellVoltageAtIndex(std::uint32_t index) const;

  Dictionary currentReadouts() const override;
  std::string description() const override;

 private:
  using TKSBatteryInfo::TKSBatteryInfo;

  /// The integer values of "CellVoltage" up to the first 0.
  std::vector<std::int32_t> cellReadings() const;
};

}  // namespace sw
