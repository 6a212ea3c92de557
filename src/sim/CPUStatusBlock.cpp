// Packing the CPU monitor's status block from readable fields, and finding records in one.
#include "sim/CPUStatusBlock.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "foundation/ByteOrder.h"
#include "foundation/Numbers.h"

namespace sw::sim::cpustatus {
namespace {

constexpr std::string_view kSignalPrefix = "CPUStatus.";
constexpr std::string_view kCorePrefix = "CPUStatus.Core";
constexpr std::string_view kThermalSuffix = ".ThermalReadout";
constexpr std::string_view kRatioSuffix = ".CurrentRatio";
constexpr std::uint64_t kRatioMask = 0x1F;

void storeLittleEndian64(std::uint8_t* bytes, std::uint64_t value) {
  storeLittleEndian32(bytes, static_cast<std::uint32_t>(value));
  storeLittleEndian32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t flagsWord(const BlockFields& fields) {
  std::uint32_t flags = 0;
  if (fields.temperatureReadings) flags |= kTemperatureReadings;
  if (fields.frequencyReadings) flags |= kFrequencyReadings;
  if (fields.erratumAE18) flags |= kErratumAE18;
  if (fields.lowJunctionMaximum) flags |= kLowJunctionMaximum;
  if (fields.temperatureTarget) flags |= kTemperatureTargetValid | std::uint32_t{*fields.temperatureTarget} << 24;
  if (fields.turboRatios) flags |= kTurboRatiosValid;
  return flags;
}

std::uint64_t performanceStatus(const CoreFields& core) {
  std::uint64_t word = core.otherStatusBits;
  word |= (core.currentRatio & kRatioMask) << 8;
  if (core.halfRatio) word |= 1ULL << 14;
  if (core.maximumRatioInStatus) word |= 1ULL << 31;
  word |= (core.maximumRatio & kRatioMask) << 40;
  return word;
}

}  // namespace

Data assemble(const BlockFields& fields) {
  Data block(kHeaderSize + fields.cores.size() * kRecordSize + 8, 0);
  storeLittleEndian32(&block[kVersionOffset], fields.versionCode);
  storeLittleEndian32(&block[kCountOffset],
                      fields.recordCount.value_or(static_cast<std::uint32_t>(fields.cores.size())));
  storeLittleEndian64(&block[kPlatformOffset], fields.otherPlatformBits | (fields.maximumQualifiedRatio & kRatioMask) << 8);
  storeLittleEndian32(&block[kFlagsOffset], flagsWord(fields));
  std::size_t offset = kHeaderSize;
  for (const CoreFields& core : fields.cores) {
    storeLittleEndian32(&block[offset + kStampOffset], core.timeStamp);
    storeLittleEndian32(&block[offset + kThermalOffset], static_cast<std::uint32_t>(core.thermalReadout));
    storeLittleEndian64(&block[offset + kPerformanceOffset], performanceStatus(core));
    storeLittleEndian64(&block[offset + kBusCodeOffset], core.busFrequencyCode);
    offset += kRecordSize;
  }
  if (fields.turboRatios) {
    for (std::size_t index = 0; index < fields.turboRatios->size() && index < 8; ++index) {
      block[offset + index] = (*fields.turboRatios)[index];
    }
  }
  return block;
}

std::uint32_t recordCount(const Data& block) {
  if (block.size() < kHeaderSize) return 0;
  return loadLittleEndian32(&block[kCountOffset]);
}

std::optional<std::size_t> recordOffset(const Data& block, std::uint32_t index) {
  if (index >= recordCount(block)) return std::nullopt;
  // The count may lie: a record is only there when the data holds all of it.
  const std::size_t offset = kHeaderSize + std::size_t{index} * kRecordSize;
  if (index >= (block.size() - kHeaderSize) / kRecordSize) return std::nullopt;
  return offset;
}

std::string signalName(std::uint32_t core, SignalledField field) {
  return std::string(kCorePrefix) + std::to_string(core) +
         std::string(field == SignalledField::ThermalReadout ? kThermalSuffix : kRatioSuffix);
}

std::optional<std::pair<std::uint32_t, SignalledField>> signalledField(std::string_view name) {
  if (!name.starts_with(kCorePrefix)) return std::nullopt;
  std::optional<SignalledField> field;
  std::string_view rest = name.substr(kCorePrefix.size());
  for (auto [suffix, named] : {std::pair{kThermalSuffix, SignalledField::ThermalReadout},
                               std::pair{kRatioSuffix, SignalledField::CurrentRatio}}) {
    if (rest.ends_with(suffix)) {
      field = named;
      rest.remove_suffix(suffix.size());
    }
  }
  // Plain decimal only: no sign, no leading zeros, so that one core has one name.
  if (!field || rest.empty() || (rest.size() > 1 && rest[0] == '0')) return std::nullopt;
  std::uint32_t core = 0;
  auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), core);
  if (error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
  return std::pair{core, *field};
}

void applySignal(Data& block, std::uint32_t index, SignalledField field, double value) {
  const std::optional<std::size_t> record = recordOffset(block, index);
  if (!record) return;
  if (field == SignalledField::ThermalReadout) {
    storeLittleEndian32(&block[*record + kThermalOffset], static_cast<std::uint32_t>(clampToInt32(std::round(value))));
    return;
  }
  const auto halves = static_cast<std::uint64_t>(std::clamp(std::round(value * 2), 0.0, 63.0));
  std::uint64_t status = loadLittleEndian(&block[*record + kPerformanceOffset], 8);
  status = (status & ~(kRatioMask << 8 | 1ULL << 14)) | (halves / 2) << 8 | (halves % 2) << 14;
  storeLittleEndian64(&block[*record + kPerformanceOffset], status);
}

bool namesBlockField(std::string_view name) { return name.starts_with(kSignalPrefix); }

}  // namespace sw::sim::cpustatus
