// A simulated ATA disk's S.M.A.R.T. answers, read from an entry's @SMART: the IDENTIFY strings,
// the attribute and threshold tables, the health status and the operations that fail.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "foundation/Value.h"

namespace sw::sim {

/// The 512-byte blocks of the ATA commands, little-endian as the drive sends them.
using ATABlock = std::array<std::uint8_t, 512>;

struct SMARTDriveAttribute {
  std::uint8_t id = 0;  // 0: an empty slot
  std::uint16_t flags = 0;
  std::uint8_t value = 0;
  std::uint8_t worst = 0;
  std::array<std::uint8_t, 6> raw{};  // least significant byte first
};

struct SMARTDriveThreshold {
  std::uint8_t id = 0;
  std::uint8_t threshold = 0;
};

/// The commands of the user client; `Open` stands for creating the plug-in and asking it for
/// the S.M.A.R.T. interface.
enum class SMARTOperation { Open, Enable, Identify, Data, Thresholds, Status };

struct SMARTDrive {
  static constexpr std::size_t kSlotCount = 30;

  /// Reads @SMART; throws ProfileError below `path`.
  static SMARTDrive parse(const Value& description, const std::string& path);

  /// The IDENTIFY block: the profile's own 512 bytes, or one built from the strings.
  ATABlock identifyBlock() const { return identify; }
  /// SMART READ DATA: revision, the 30 attribute slots, checksum.
  ATABlock dataBlock() const;
  /// SMART READ THRESHOLDS: revision, the 30 threshold slots, checksum.
  ATABlock thresholdBlock() const;
  bool fails(SMARTOperation operation) const { return failing.contains(operation); }

  ATABlock identify{};
  std::array<SMARTDriveAttribute, kSlotCount> attributes{};
  std::array<SMARTDriveThreshold, kSlotCount> thresholds{};
  bool thresholdExceeded = false;  // what SMART RETURN STATUS reports: Status 1 (0 when absent)
  std::set<SMARTOperation> failing;
  /// Every command the drive was sent (enable, status, data, thresholds, identify), failed ones
  /// included: how a test sees whether a disk was touched at all.
  mutable std::uint64_t commandsReceived = 0;
};

}  // namespace sw::sim
