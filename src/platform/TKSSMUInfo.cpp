// System database partitions of the System Management Unit.
#include "platform/TKSSMUInfo.h"

#include <algorithm>

#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

constexpr std::uint32_t kOperatingPointsPartition = 0x12;
constexpr std::uint32_t kConverterConstantsPartition = 0x21;
constexpr std::uint32_t kDiodeCalibrationPartition = 0x18;
constexpr double kConverterScale = 1.0 / 4096.0;
constexpr double kSupplyScale = 1.0 / 268435456.0;  // 2^-28

std::string partitionKey(std::uint32_t partition) { return stringWithFormat("sdb-partition-%02X", partition); }

template <std::size_t N>
bool copyPartition(const TKSIORegistryEntry* entry, std::uint32_t partition, std::array<std::uint8_t, N>& into) {
  auto bytes = TKSSMUInfo::dataFromEntryForSystemDatabasePartitionWithIDExpectedLength(entry, partition, N);
  if (!bytes) return false;
  std::copy(bytes->begin(), bytes->end(), into.begin());
  return true;
}

}  // namespace

SMUInfoList TKSSMUInfo::allSMUs() {
  SMUInfoList units;
  for (const auto& service : TKSIORegistryEntry::serviceObjectsMatchingName("AppleSMU").value_or(RegistryEntryList{})) {
    const std::shared_ptr<TKSIORegistryEntry> nub = service->parentServiceEntry();
    if (!nub || nub->stringValueWithName("name") != "smu") continue;
    if (!nub->hasValueWithName(partitionKey(kOperatingPointsPartition)) ||
        !nub->hasValueWithName(partitionKey(kConverterConstantsPartition))) {
      continue;
    }
    if (auto unit = createWithIORegistryEntry(nub.get())) units.push_back(std::move(unit));
  }
  return units;
}

float TKSSMUInfo::maximumCPUDesignTemperature() {
  for (const auto& plugin :
       TKSIORegistryEntry::serviceObjectsMatchingName("SMU_Neo2_PlatformPlugin").value_or(RegistryEntryList{})) {
    const std::optional<Dictionary> properties = plugin->properties();
    if (!properties) continue;
    auto environment = properties->find("IOEnvironment");
    if (environment == properties->end()) continue;
    const Value* maximum = environment->second.find("cpu-tmax");
    if (maximum == nullptr || !maximum->isNumber()) continue;
    return static_cast<float>(maximum->asReal().value_or(0)) * static_cast<float>(1.0 / 65536.0);
  }
  return 0.0F;
}

std::optional<Data> TKSSMUInfo::dataFromEntryForSystemDatabasePartitionWithIDExpectedLength(
    const TKSIORegistryEntry* entry, std::uint32_t partition, std::uint32_t length) {
  if (entry == nullptr) return std::nullopt;
  const std::optional<Dictionary> properties = entry->properties();
  if (properties) {
    auto found = properties->find(partitionKey(partition));
    if (found != properties->end() && found->second.asData() != nullptr && found->second.asData()->size() == length) {
      return *found->second.asData();
    }
  }
  os::systemLog(stringWithFormat("SMU: System database partition with identifier %02X does not have expected length of %u\n",
                                 partition, length));
  return std::nullopt;
}

std::shared_ptr<TKSSMUInfo> TKSSMUInfo::createWithIORegistryEntry(const TKSIORegistryEntry* entry) {
  if (entry == nullptr) return nullptr;
  auto unit = std::make_shared<TKSSMUInfo>();
  std::array<std::uint8_t, kDiodeCalibrationSize> diode{};
  if (!copyPartition(entry, kOperatingPointsPartition, unit->cpuOperatingPoints_) ||
      !copyPartition(entry, kConverterConstantsPartition, unit->adConverterConstants_) ||
      !copyPartition(entry, kDiodeCalibrationPartition, diode)) {
    return nullptr;
  }
  unit->mDiodeCalibration_ = static_cast<std::uint32_t>(loadBigEndian(diode.data() + 4, 2));
  unit->bDiodeCalibration_ = static_cast<std::int16_t>(loadBigEndian(diode.data() + 6, 2));
  return unit;
}

std::uint32_t TKSSMUInfo::operatingPoint(std::size_t offset, std::size_t width) const {
  return static_cast<std::uint32_t>(loadBigEndian(cpuOperatingPoints_.data() + offset, width));
}

std::uint32_t TKSSMUInfo::converterConstant(std::size_t offset, std::size_t width) const {
  return static_cast<std::uint32_t>(loadBigEndian(adConverterConstants_.data() + offset, width));
}

void TKSSMUInfo::getVoltageScaleOffset(std::uint16_t* scale, std::int16_t* offset) const {
  if (scale != nullptr) *scale = static_cast<std::uint16_t>(converterConstant(4, 2));
  if (offset != nullptr) *offset = static_cast<std::int16_t>(converterConstant(6, 2));
}

void TKSSMUInfo::getCurrentScaleOffset(std::uint16_t* scale, std::int16_t* offset) const {
  if (scale != nullptr) *scale = static_cast<std::uint16_t>(converterConstant(8, 2));
  if (offset != nullptr) *offset = static_cast<std::int16_t>(converterConstant(10, 2));
}

std::string TKSSMUInfo::description() const {
  std::uint16_t voltageScale = 0, currentScale = 0;
  std::int16_t voltageOffset = 0, currentOffset = 0;
  getVoltageScaleOffset(&voltageScale, &voltageOffset);
  getCurrentScaleOffset(&currentScale, &currentOffset);
  auto supply = [this](std::size_t offset) { return static_cast<std::int32_t>(converterConstant(offset, 4)) * kSupplyScale; };
  return stringWithFormat(
      "System Management Unit: system clock %u Hz, maximum temp %u, voltages: %u (0) %u (1) %u (2), "
      "V ADC s %f / o %f, A ADC s %f / o %f PSU %f (A) %f (B) %f (C) m %d, b %d",
      operatingPoint(4, 4), operatingPoint(9, 1), operatingPoint(10, 2), operatingPoint(12, 2), operatingPoint(14, 2),
      voltageScale * kConverterScale, voltageOffset * kConverterScale, currentScale * kConverterScale,
      currentOffset * kConverterScale, supply(12), supply(16), supply(20), mDiodeCalibration_, bDiodeCalibration_);
}

}  // namespace sw
