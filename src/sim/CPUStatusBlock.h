// The status block that the CPU-monitoring driver publishes as "CPUStatus", seen from the driver's
// side: where its fields lie, and a builder that assembles one from readable fields for tests and
// for the profile tool. Little-endian throughout, as the Intel kernel lays it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Value.h"

namespace sw::sim::cpustatus {

// Header: version code, record count, platform word, flags; then the core records, then the
// turbo ratio word.
inline constexpr std::size_t kVersionOffset = 0;
inline constexpr std::size_t kCountOffset = 4;
inline constexpr std::size_t kPlatformOffset = 8;
inline constexpr std::size_t kFlagsOffset = 16;
inline constexpr std::size_t kHeaderSize = 20;
inline constexpr std::size_t kRecordSize = 36;
// Within a core record.
inline constexpr std::size_t kStampOffset = 0;
inline constexpr std::size_t kThermalOffset = 8;
inline constexpr std::size_t kPerformanceOffset = 12;
inline constexpr std::size_t kBusCodeOffset = 28;

inline constexpr std::uint32_t kTemperatureReadings = 1U << 0;
inline constexpr std::uint32_t kFrequencyReadings = 1U << 1;
inline constexpr std::uint32_t kErratumAE18 = 1U << 2;
inline constexpr std::uint32_t kLowJunctionMaximum = 1U << 3;
inline constexpr std::uint32_t kTemperatureTargetValid = 1U << 4;
inline constexpr std::uint32_t kTurboRatiosValid = 1U << 5;

/// One core as a person describes it; the builder packs it into the 36-byte record.
struct CoreFields {
  std::uint32_t timeStamp = 0;          // wall-clock second of the last update; 0: never
  std::int32_t thermalReadout = 0;      // degrees below the junction maximum; 0: no reading
  std::uint8_t currentRatio = 0;        // performance status bits 8-12
  bool halfRatio = false;               // bit 14: half a ratio step more
  bool maximumRatioInStatus = false;    // bit 31: the maximum ratio below is the one to use
  std::uint8_t maximumRatio = 0;        // bits 40-44
  std::uint64_t otherStatusBits = 0;    // any further bits of the performance status word
  std::uint64_t busFrequencyCode = 0;   // the whole 64-bit word
};

struct BlockFields {
  std::uint32_t versionCode = 7;
  /// The count written into the header; by default the number of cores given.
  std::optional<std::uint32_t> recordCount;
  std::uint8_t maximumQualifiedRatio = 0;  // platform word bits 8-12
  std::uint64_t otherPlatformBits = 0;
  bool temperatureReadings = true;
  bool frequencyReadings = false;
  bool erratumAE18 = false;
  bool lowJunctionMaximum = false;
  std::optional<std::uint8_t> temperatureTarget;  // sets flag bit 4 and bits 24-31
  std::vector<CoreFields> cores;
  /// Maximum ratios with 1, 2, … active cores (at most 8); sets flag bit 5 and the word.
  std::optional<std::vector<std::uint8_t>> turboRatios;
};

/// The block, byte for byte: header, one record per core given, the turbo ratio word.
Data assemble(const BlockFields& fields);

/// The record count of a block (0 when it is too short to hold one).
std::uint32_t recordCount(const Data& block);
/// Where record `index` starts, when the block holds it whole and the count covers it.
std::optional<std::size_t> recordOffset(const Data& block, std::uint32_t index);

/// The fields of a core record that a signal in @Signals may drive: the thermal readout (degrees
/// below the junction maximum) and the current ratio (in halves: 8.5 sets ratio 8 and the
/// half-ratio bit).
enum class SignalledField { ThermalReadout, CurrentRatio };

/// The signal name of a core's field ("CPUStatus.Core0.ThermalReadout", "CPUStatus.Core0.CurrentRatio"),
/// and the core and field a name of that form stands for.
std::string signalName(std::uint32_t core, SignalledField field);
std::optional<std::pair<std::uint32_t, SignalledField>> signalledField(std::string_view name);
/// True for every name that points into the block, well formed or not.
bool namesBlockField(std::string_view name);

/// Writes a signal's value into record `index`, when the block holds that record.
void applySignal(Data& block, std::uint32_t index, SignalledField field, double value);

}  // namespace sw::sim::cpustatus
