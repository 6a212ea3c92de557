// The status block of the CPU-monitoring driver ("CPUStatus"), read field by field. The block is
// outside data: every field is read only when the bytes hold it, and records only up to the
// count the block itself gives.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/Value.h"

namespace sw {

/// One core's record (36 bytes in the block).
struct CPUCoreStatusRecord {
  std::uint32_t timeStamp = 0;          // wall-clock second of the record's last update; 0: never
  std::int32_t thermalReading = 0;      // degrees below the junction maximum; 0: no reading
  std::uint64_t performanceStatus = 0;  // current ratio, half-ratio bit, maximum ratio
  std::uint64_t busFrequencyCode = 0;

  std::uint8_t currentBusRatio() const { return static_cast<std::uint8_t>((performanceStatus >> 8) & 0x1F); }
  bool hasHalfRatio() const { return (performanceStatus & (1ULL << 14)) != 0; }
};

class CPUStatusBlock {
 public:
  /// The block of a "CPUStatus" value; nothing unless it is data.
  static std::optional<CPUStatusBlock> fromValue(const std::optional<Value>& value);

  // Header fields; 0 when the block is too short to hold them.
  std::uint32_t versionCode() const;
  std::uint32_t recordCount() const;
  std::uint64_t platformWord() const;
  std::uint32_t flags() const;

  bool hasTemperatureReadings() const { return (flags() & (1U << 0)) != 0; }
  bool hasFrequencyReadings() const { return (flags() & (1U << 1)) != 0; }
  bool isAffectedByErratumAE18() const { return (flags() & (1U << 2)) != 0; }
  bool hasLowJunctionMaximum() const { return (flags() & (1U << 3)) != 0; }
  /// Bits 24 to 31 of the flags, when bit 4 says they are valid.
  std::optional<std::uint8_t> temperatureTarget() const;

  /// How many records the count claims and the bytes hold whole.
  std::uint32_t recordsPresent() const;
  /// Record `index`, when it is below the count and the bytes hold it whole.
  std::optional<CPUCoreStatusRecord> record(std::int64_t index) const;
  /// The word after the last counted record, when flag bit 5 marks it valid and the bytes hold it.
  std::optional<std::uint64_t> turboRatioWord() const;

 private:
  explicit CPUStatusBlock(Data bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t wordAt(std::uint64_t offset, std::size_t size) const;

  Data bytes_;
};

}  // namespace sw
