// Packing the CPU monitor's status block from readable fields, and finding records in one.
#include "sim/CPUStatusBlock.h"

#include <charconv>
#include <string>

#include "foundation/ByteOrder.h"

namespace sw::sim::cpustatus {
namespace {

constexpr std::string_view kSignalPrefix = "CPUStatus.";
constexpr std::string_view kCorePrefix = "CPUStatus.Core";
constexpr std::string_view kThermalSuffix = ".ThermalReadout";
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

std::string thermalSignalName(std::uint32_t core) {
  return std::string(kCorePrefix) + std::to_string(core) + std::string(kThermalSuffix);
}

std::optional<std::uint32_t> coreOfThermalSignal(std::string_view name) {
  if (!name.starts_with(kCorePrefix) || !name.ends_with(kThermalSuffix)) return std::nullopt;
  std::string_view digits = name.substr(kCorePrefix.size(), name.size() - kCorePrefix.size() - kThermalSuffix.size());
  // Plain decimal only: no sign, no leading zeros, so that one core has one name.
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  std::uint32_t core = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), core);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return core;
}

bool namesBlockField(std::string_view name) { return name.starts_with(kSignalPrefix); }

}  // namespace sw::sim::cpustatus
