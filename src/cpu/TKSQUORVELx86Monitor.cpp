// The CPU-monitoring driver client: discovery per driver service, sensor creation, readings with
// a class-wide refresh throttle and a staleness test.
#include "cpu/TKSQUORVELx86Monitor.h"

#include <cmath>

#include "cpu/CPUMonitorVariantRegistry.h"
#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "foundation/TextEncoding.h"
#include "os/Clock.h"
#include "os/IOKit.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

constexpr const char* kBrandKey = "CPUBrand";
constexpr const char* kSignatureKey = "CPUSignature";
constexpr const char* kStatusKey = "CPUStatus";
constexpr const char* kForceUpdateKey = "ForceUpdate";
// Drivers up to this version publish a block of another layout.
constexpr std::uint32_t kLastUnsupportedVersion = 6;
// A record counts as stale when it is older than this many seconds per core and per second since
// the sensor's previous reading.
constexpr std::uint32_t kStaleSecondsPerCore = 12;
constexpr std::uint8_t kFamilyWithExtendedModel = 6;
constexpr std::uint8_t kFamilyWithExtendedFamily = 15;
constexpr std::uint8_t kFirstModelWithFrequency = 14;
constexpr std::uint64_t kMaximumRatioInStatusBit = 1ULL << 31;
constexpr double kFixedPointOne = 65536.0;
// A hot indicator reads 1.0 while the core is at most this many degrees below its maximum.
constexpr std::int32_t kHotDistance = 9;

std::int32_t currentSecond() { return clampToInt32(std::floor(os::currentTime())); }

/// The class-wide time (wall-clock second) from which the driver may be asked to refresh again.
std::int32_t& nextForceUpdateTime() {
  static ProcessWide<std::int32_t> next(currentSecond);
  return next.get();
}

RegistryEntryList driverServices() {
  return TKSIORegistryEntry::serviceObjectsMatchingName(TKSQUORVELx86Monitor::kDriverServiceClass)
      .value_or(RegistryEntryList{});
}

bool isUsableDriverService(const TKSIORegistryEntry& entry) {
  return entry.hasValueWithName(kBrandKey) && entry.hasValueWithName(kSignatureKey) && entry.hasValueWithName(kStatusKey);
}

/// The status block of a usable service, read from a fresh copy of its properties.
std::optional<CPUStatusBlock> statusBlockOf(const TKSIORegistryEntry& entry) {
  std::optional<Dictionary> properties = entry.properties();
  if (!properties) return std::nullopt;
  auto status = properties->find(kStatusKey);
  if (status == properties->end()) return std::nullopt;
  return CPUStatusBlock::fromValue(std::move(status->second));
}

/// The first usable service whose status block is data.
std::shared_ptr<TKSIORegistryEntry> runningDriverService() {
  for (const auto& entry : driverServices()) {
    if (isUsableDriverService(*entry) && statusBlockOf(*entry)) return entry;
  }
  return nullptr;
}

std::optional<CPUStatusBlock> statusBlockOfRunningDriver() {
  auto entry = runningDriverService();
  return entry ? statusBlockOf(*entry) : std::nullopt;
}

/// White space as the platform's white-space set has it: tab and the space separators.
bool isWhiteSpace(char16_t unit) {
  return unit == u'\t' || unit == u' ' || unit == 0x00A0 || unit == 0x1680 || (unit >= 0x2000 && unit <= 0x200A) ||
         unit == 0x202F || unit == 0x205F || unit == 0x3000;
}

SensorList sensorsOfService(const std::shared_ptr<TKSIORegistryEntry>& entry) {
  SensorList sensors;
  if (!isUsableDriverService(*entry)) return sensors;
  std::optional<CPUStatusBlock> block = statusBlockOf(*entry);
  if (!block || block->versionCode() <= kLastUnsupportedVersion) return sensors;
  const auto signature = static_cast<std::uint32_t>(entry->intValueWithName(kSignatureKey));
  const CPUMonitorVariant* variant = TKSQUORVELx86Monitor::classImplementingCPUMonitoringForSignature(signature);
  if (variant == nullptr) return sensors;
  if (block->hasTemperatureReadings()) {
    // One sensor per record the block really holds: a count that lies must not make sensors
    // without end. The names still follow the count the driver gives.
    const auto totalCount = static_cast<std::int32_t>(block->recordCount());
    for (std::uint32_t index = 0; index < block->recordsPresent(); ++index) {
      auto sensor = variant->createAsTemperatureSensorWithIORegistryEntryForIndexTotalCount(
          entry, static_cast<std::int32_t>(index), totalCount);
      if (sensor) sensors.push_back(std::move(sensor));
    }
  }
  if (block->hasFrequencyReadings()) {
    if (auto sensor = variant->createAsFrequencySensorWithIORegistryEntry(entry)) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

}  // namespace

TKSSensorClass TKSQUORVELx86Monitor::sensorClass() {
  nextForceUpdateTime() = currentSecond();
  return {"TKSQUORVELx86Monitor", &TKSQUORVELx86Monitor::allSensors};
}

SensorList TKSQUORVELx86Monitor::allSensors() {
  SensorList sensors;
  for (const auto& entry : driverServices()) {
    SensorList found = sensorsOfService(entry);
    sensors.insert(sensors.end(), found.begin(), found.end());
  }
  return sensors;
}

bool TKSQUORVELx86Monitor::isDriverLoaded() {
  for (const auto& entry : driverServices()) {
    if (isUsableDriverService(*entry)) return true;
  }
  return false;
}

std::uint32_t TKSQUORVELx86Monitor::versionCodeOfRunningDriver() {
  std::optional<CPUStatusBlock> block = statusBlockOfRunningDriver();
  return block ? block->versionCode() : 0;
}

bool TKSQUORVELx86Monitor::systemIsAffectedByErratumAE18() {
  std::optional<CPUStatusBlock> block = statusBlockOfRunningDriver();
  return block && block->isAffectedByErratumAE18();
}

std::optional<std::uint32_t> TKSQUORVELx86Monitor::signatureOfRunningDriver() {
  auto entry = runningDriverService();
  if (!entry) return std::nullopt;
  return static_cast<std::uint32_t>(entry->intValueWithName(kSignatureKey));
}

std::uint32_t TKSQUORVELx86Monitor::coreCountOfRunningDriver() {
  std::optional<CPUStatusBlock> block = statusBlockOfRunningDriver();
  return block ? block->recordsPresent() : 0;
}

const CPUMonitorVariant* TKSQUORVELx86Monitor::classImplementingCPUMonitoringForSignature(std::uint32_t signature) {
  const CPUMonitorVariant* variant = cpuMonitorVariantForSignature(signature);
  if (variant == nullptr) {
    os::systemLog(stringWithFormat(
        "WARNING: The current implementation has no specific code to support CPUs with signature %u!\n", signature));
  }
  return variant;
}

bool TKSQUORVELx86Monitor::bindDriverEntry(std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry || !isUsableDriverService(*entry)) return false;
  cpuSignature_ = static_cast<std::uint32_t>(entry->intValueWithName(kSignatureKey));
  driverEntry_ = std::move(entry);
  return true;
}

bool TKSQUORVELx86Monitor::initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t index,
                                                   std::int32_t totalCount) {
  if (!bindDriverEntry(std::move(entry))) return false;
  cpuIndex_ = index;
  std::optional<CPUStatusBlock> block = statusBlock();
  if (!block) return false;
  status_ = block->hasLowJunctionMaximum() ? 1 : 0;
  const auto core = static_cast<std::uint32_t>(index);
  setUniqueIdentifier(stringWithFormat("quorvel.dts.%u", core));
  setLocationIdentifier(stringWithFormat(totalCount < 10 ? "CPU Core %u" : "CPU Core %02u", core + 1));
  setSensorName(cpuBrand().value_or(""));
  setSensorType(1);
  setQuantityType(TKSQuantityTemperature);
  setPrecisionAccuracy(1.0, 0.0);
  return true;
}

bool TKSQUORVELx86Monitor::initAsFrequencySensor(std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!bindDriverEntry(std::move(entry))) return false;
  if (cpuFamily() != kFamilyWithExtendedModel || cpuModel() < kFirstModelWithFrequency) return false;
  if (cpuModel() > kFirstModelWithFrequency) {
    std::optional<CPUStatusBlock> block = statusBlock();
    if (!block) return false;
    // A block without its first record counts as one whose status word is all clear.
    const std::uint64_t performance = block->record(0) ? block->record(0)->performanceStatus : 0;
    const std::uint64_t ratio = (performance & kMaximumRatioInStatusBit) != 0 ? performance >> 40 : block->platformWord() >> 8;
    status_ = static_cast<std::uint8_t>(ratio & 0x1F);
  }
  setUniqueIdentifier("quorvel.ia32.frequency");
  setLocationIdentifier("CPU Clock Frequency");
  setSensorName(cpuBrand().value_or(""));
  setSensorType(1);
  setQuantityType(TKSQuantityFrequency);
  setPrecisionAccuracy(0.0001, 0.0001);
  return true;
}

std::optional<CPUStatusBlock> TKSQUORVELx86Monitor::statusBlock() const {
  if (!driverEntry_) return std::nullopt;
  return statusBlockOf(*driverEntry_);
}

std::int32_t TKSQUORVELx86Monitor::rawValue() {
  if (!driverEntry_) return -1;
  const std::int32_t now = currentSecond();
  std::int32_t& nextForceUpdate = nextForceUpdateTime();
  if (now >= nextForceUpdate) {
    os::IORegistryEntrySetCFProperty(driverEntry_->ioKitHandle(), kForceUpdateKey, Value::boolean(false));
    nextForceUpdate = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 1U);
  }
  std::optional<CPUStatusBlock> block = statusBlock();
  if (!block) return -1;
  const auto nowStamp = static_cast<std::uint32_t>(now);
  std::int64_t index = cpuIndex_;
  if (cpuIndex_ != -1) {
    // Unsigned on purpose: the limit wraps as the driver's own clients have always computed it.
    const std::uint32_t elapsed = nowStamp - timeStampOfLastAccess_;
    timeStampOfLastAccess_ = nowStamp;
    const std::uint32_t limit = elapsed * block->recordCount() * kStaleSecondsPerCore;
    std::optional<CPUCoreStatusRecord> record = block->record(cpuIndex_);
    if (!record) return -1;
    if (limit != 0 && nowStamp - record->timeStamp > limit) return -1;
  } else {
    // The newest record; the first of equally new ones, and never one that was not updated yet.
    index = -1;
    std::uint32_t newest = 0;
    for (std::uint32_t candidate = 0; candidate < block->recordsPresent(); ++candidate) {
      const std::uint32_t stamp = block->record(candidate)->timeStamp;
      if (stamp > newest) {
        newest = stamp;
        index = candidate;
      }
    }
  }
  std::optional<CPUCoreStatusRecord> record = block->record(index);
  if (!record) return -1;
  return rawValueOfRecord(*record);
}

std::int32_t TKSQUORVELx86Monitor::rawValueOfRecord(const CPUCoreStatusRecord& record) {
  switch (quantityType()) {
    case TKSQuantityTemperature: {
      const std::int32_t degrees = temperatureForStatusRecord(&record);
      if (degrees == 0) return -1;
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(degrees) << 16);
    }
    case TKSQuantityFrequency: {
      const double megahertz = frequencyForStatusRecord(&record);
      if (megahertz == 0.0) return -1;
      return clampToInt32(megahertz * kFixedPointOne);
    }
    case TKSQuantityStatus:
      if (record.thermalReading == 0) return -1;
      return record.thermalReading <= kHotDistance ? 65536 : 0;
    default:
      return -1;
  }
}

std::string TKSQUORVELx86Monitor::unit() const {
  if (quantityType() == TKSQuantityTemperature) return "C";
  if (quantityType() == TKSQuantityFrequency) return "MHz";
  return "";
}

TKSSensorValueConverter TKSQUORVELx86Monitor::valueConverter() const {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kLinear);
  converter.setLinearFactor(1.0 / kFixedPointOne);
  return converter;
}

std::optional<std::string> TKSQUORVELx86Monitor::cpuBrand() const {
  if (!driverEntry_) return std::nullopt;
  return driverEntry_->stringValueWithName(kBrandKey);
}

std::optional<std::string> TKSQUORVELx86Monitor::cpuDisplayName() const {
  std::optional<std::string> brand = cpuBrand();
  if (!brand) return std::nullopt;
  const std::size_t at = brand->find('@');
  if (at == std::string::npos) return std::nullopt;
  std::u16string text = utf8ToUTF16(std::string_view(*brand).substr(0, at));
  while (!text.empty() && isWhiteSpace(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && isWhiteSpace(text[start])) ++start;
  text.erase(0, start);
  for (std::size_t index = text.size(); index-- > 1;) {
    if (isWhiteSpace(text[index])) return utf16ToUTF8(std::u16string_view(text).substr(index + 1));
  }
  return std::nullopt;
}

std::uint8_t TKSQUORVELx86Monitor::cpuFamily() const {
  const auto family = static_cast<std::uint8_t>((cpuSignature_ >> 8) & 0xF);
  if (family < kFamilyWithExtendedFamily) return family;
  return static_cast<std::uint8_t>(extendedFamiliyID() + kFamilyWithExtendedFamily);
}

std::uint8_t TKSQUORVELx86Monitor::cpuModel() const {
  const auto family = static_cast<std::uint8_t>((cpuSignature_ >> 8) & 0xF);
  auto model = static_cast<std::uint8_t>((cpuSignature_ >> 4) & 0xF);
  if (family == kFamilyWithExtendedModel || family == kFamilyWithExtendedFamily) {
    model = static_cast<std::uint8_t>(model + extendedModelID() * 16);
  }
  return model;
}

std::optional<std::string> TKSQUORVELx86Monitor::unifiedSensorLocation() const {
  if (quantityType() != TKSQuantityTemperature) return std::nullopt;
  return stringWithFormat("%@:%@", "T", locationIdentifier());
}

std::int32_t TKSQUORVELx86Monitor::temperatureForStatusRecord(const CPUCoreStatusRecord* record) const {
  if (record == nullptr || record->thermalReading == 0) return 0;
  // A reading far out of range wraps rather than overflowing.
  return static_cast<std::int32_t>(std::uint32_t{maximumJunctionTemperature()} -
                                   static_cast<std::uint32_t>(record->thermalReading));
}

}  // namespace sw
