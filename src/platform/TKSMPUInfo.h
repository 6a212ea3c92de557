// The factory data of a G5 processor module, read from the 160-byte record of its EEPROM that the
// platform publishes as the "cpuid" property: diode calibration, fan limits, serial numbers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "ioregistry/TKSIORegistryEntry.h"

namespace sw {

class TKSMPUInfo;
using MPUInfoList = std::vector<std::shared_ptr<TKSMPUInfo>>;

class TKSMPUInfo {
 public:
  static constexpr std::size_t kRecordSize = 160;

  /// One per processor module, in registry order; the registry is asked afresh on every call.
  static MPUInfoList allMPUs();
  /// The number of modules that allMPUs would find, without reading their records.
  static std::uint32_t numberOfLocalUnits();
  /// "CPU A…" is module 0, "CPU B…" module 1; 0 for anything that does not name a module.
  static std::uint32_t mpuIndexForLocationIdentifier(const std::optional<std::string>& location);
  /// A copy of the module's data; nothing when there is no such module.
  static std::shared_ptr<TKSMPUInfo> mpuInfoAtIndex(std::uint32_t index);
  /// Nothing for a null entry, a missing "cpuid" property or a record of another length (logged).
  static std::shared_ptr<TKSMPUInfo> createWithIORegistryEntry(const TKSIORegistryEntry* entry);

  std::shared_ptr<TKSMPUInfo> copy() const { return std::make_shared<TKSMPUInfo>(*this); }
  std::string description() const;
  Dictionary descriptionDictionary() const;

  int infoVersion() const { return byteAt(3); }
  /// The five low nibbles of the data revision, as "1.2.3a5".
  std::string PIDDataSetRevision() const;
  std::string processorBinCode() const { return printableText(8, 3); }
  std::string processorPartNumber() const { return printableText(84, 8); }
  std::string processorLotNumber() const;
  std::string originalSerialNumber() const { return printableText(96, 16); }
  std::string currentSerialNumber() const { return printableText(112, 16); }
  std::string mainLogicBoardSerialNumber() const { return printableText(128, 24); }
  std::uint32_t numberOfCPUsPerMPU() const { return byteAt(12); }
  std::uint32_t processorCardSlotNumber() const { return byteAt(36); }
  std::uint16_t diodeMScaling() const { return unsigned16At(68); }
  std::int16_t diodeBOffset() const { return static_cast<std::int16_t>(unsigned16At(70)); }
  /// Null pointers are skipped.
  void getIntakeFanLimitsMinMax(std::uint16_t* minimum, std::uint16_t* maximum) const;
  void getExhaustFanLimitsMinMax(std::uint16_t* minimum, std::uint16_t* maximum) const;
  std::uint8_t targetTemperature() const { return byteAt(40); }
  std::uint8_t maximumTemperature() const { return byteAt(41); }

 private:
  std::uint8_t byteAt(std::size_t offset) const { return mpuData_[offset]; }
  // The module's words are in the PowerPC's byte order, highest byte first.
  std::uint16_t unsigned16At(std::size_t offset) const;
  std::uint32_t unsigned32At(std::size_t offset) const;
  /// The printable bytes of a text field, blanks trimmed; never reads past the field.
  std::string printableText(std::size_t offset, std::size_t length) const;

  std::array<std::uint8_t, kRecordSize> mpuData_{};
};

}  // namespace sw
