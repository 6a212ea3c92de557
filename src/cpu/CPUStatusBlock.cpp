// Bounded reads of the CPU monitor's status block.
#include "cpu/CPUStatusBlock.h"

#include <algorithm>

#include "foundation/ByteOrder.h"

namespace sw {
namespace {

constexpr std::uint64_t kHeaderSize = 20;
constexpr std::uint64_t kRecordSize = 36;
constexpr std::uint32_t kTemperatureTargetValid = 1U << 4;
constexpr std::uint32_t kTurboRatiosValid = 1U << 5;

}  // namespace

std::optional<CPUStatusBlock> CPUStatusBlock::fromValue(const std::optional<Value>& value) {
  if (!value || value->asData() == nullptr) return std::nullopt;
  return CPUStatusBlock(*value->asData());
}

std::uint64_t CPUStatusBlock::wordAt(std::uint64_t offset, std::size_t size) const {
  // Offsets are computed in 64 bits from a 32-bit count, so they cannot wrap.
  if (offset > bytes_.size() || bytes_.size() - offset < size) return 0;
  return loadLittleEndian(bytes_.data() + offset, size);
}

std::uint32_t CPUStatusBlock::versionCode() const { return static_cast<std::uint32_t>(wordAt(0, 4)); }
std::uint32_t CPUStatusBlock::recordCount() const { return static_cast<std::uint32_t>(wordAt(4, 4)); }
std::uint64_t CPUStatusBlock::platformWord() const { return wordAt(8, 8); }
std::uint32_t CPUStatusBlock::flags() const { return static_cast<std::uint32_t>(wordAt(16, 4)); }

std::optional<std::uint8_t> CPUStatusBlock::temperatureTarget() const {
  if ((flags() & kTemperatureTargetValid) == 0) return std::nullopt;
  return static_cast<std::uint8_t>(flags() >> 24);
}

std::uint32_t CPUStatusBlock::recordsPresent() const {
  if (bytes_.size() < kHeaderSize) return 0;
  const std::uint64_t held = (bytes_.size() - kHeaderSize) / kRecordSize;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(held, recordCount()));
}

std::optional<CPUCoreStatusRecord> CPUStatusBlock::record(std::int64_t index) const {
  if (index < 0 || index >= std::int64_t{recordsPresent()}) return std::nullopt;
  const std::uint64_t offset = kHeaderSize + static_cast<std::uint64_t>(index) * kRecordSize;
  CPUCoreStatusRecord record;
  record.timeStamp = static_cast<std::uint32_t>(wordAt(offset, 4));
  record.thermalReading = static_cast<std::int32_t>(static_cast<std::uint32_t>(wordAt(offset + 8, 4)));
  record.performanceStatus = wordAt(offset + 12, 8);
  record.busFrequencyCode = wordAt(offset + 28, 8);
  return record;
}

std::optional<std::uint64_t> CPUStatusBlock::turboRatioWord() const {
  if ((flags() & kTurboRatiosValid) == 0) return std::nullopt;
  const std::uint64_t offset = kHeaderSize + std::uint64_t{recordCount()} * kRecordSize;
  if (offset > bytes_.size() || bytes_.size() - offset < 8) return std::nullopt;
  return wordAt(offset, 8);
}

}  // namespace sw
