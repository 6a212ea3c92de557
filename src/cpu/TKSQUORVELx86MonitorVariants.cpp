// What each processor generation does differently: junction maxima, frequency decoding, limits
// and turbo frequencies.
#include "cpu/TKSQUORVELx86MonitorVariants.h"

#include <array>

#include "foundation/Format.h"
#include "os/SystemLog.h"
#include "os/UserDefaults.h"

namespace sw {
namespace {

// Megahertz by bus frequency code.
constexpr std::array<double, 7> kBusFrequencies{266.67, 133.33, 200.0, 166.67, 333.33, 100.0, 400.0};
constexpr std::uint32_t kLastCodeOfModel15 = 5;
constexpr std::uint8_t kJunctionMaximumWithoutTarget = 100;

/// A switch of the standard user defaults counts when it is there, whatever its value.
bool isSwitchedOn(std::string_view key) { return os::UserDefaults::standardUserDefaults().objectForKey(key).has_value(); }

/// {maximum, 0} for a temperature sensor; nothing for the others.
std::optional<Array> junctionLimits(const TKSQUORVELx86Monitor& sensor) {
  if (sensor.quantityType() != TKSQuantityTemperature) return std::nullopt;
  return Array{Value::integer(sensor.maximumJunctionTemperature()), Value::integer(0)};
}

/// The bus frequency of a code the variant accepts (up to `lastCode`), else 0.0.
double busFrequencyOfCode(std::uint32_t code, std::uint32_t lastCode) {
  return code <= lastCode && code < kBusFrequencies.size() ? kBusFrequencies[code] : 0.0;
}

}  // namespace

// ---- Family 6, model 14 ----

double TKSQUORVELx86MonitorCPU1760::frequencyForStatusRecord(const CPUCoreStatusRecord* record) const {
  if (record == nullptr) return 0.0;
  // The whole word must be one of the codes these processors use.
  const std::uint64_t code = record->busFrequencyCode;
  if (code != 1 && code != 3 && code != 5) return 0.0;
  return record->currentBusRatio() * kBusFrequencies[code];
}

std::optional<Array> TKSQUORVELx86MonitorCPU1760::sensorLimitsArray() const { return junctionLimits(*this); }

// ---- Family 6, model 15 ----

double TKSQUORVELx86MonitorCPU1776::frequencyForStatusRecord(const CPUCoreStatusRecord* record) const {
  if (record == nullptr || record->currentBusRatio() > maximumBusRatio()) return 0.0;
  return record->currentBusRatio() *
         busFrequencyOfCode(static_cast<std::uint32_t>(record->busFrequencyCode), kLastCodeOfModel15);
}

std::optional<Array> TKSQUORVELx86MonitorCPU1776::sensorLimitsArray() const { return junctionLimits(*this); }

// ---- Family 6, model 23 ----

bool TKSQUORVELx86MonitorCPU67184::isSupportingTemperatureSensingForBrandString(const std::string& brand) {
  if (isSwitchedOn("EnableCoreTempReadingsForXeon10670")) return true;
  return brand.find("Xeon") == std::string::npos;
}

bool TKSQUORVELx86MonitorCPU67184::initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry,
                                                           std::int32_t index, std::int32_t totalCount) {
  if (!TKSQUORVELx86Monitor::initAsTemperatureSensor(std::move(entry), index, totalCount)) return false;
  if (isSupportingTemperatureSensingForBrandString(cpuBrand().value_or(""))) return true;
  // The server models' readings are not trusted as temperatures; near the maximum is still news.
  const auto core = static_cast<std::uint32_t>(index);
  setUniqueIdentifier(stringWithFormat("quorvel.dtscritical.%u", core));
  setLocationIdentifier(stringWithFormat("CPU Core %u Hot", core + 1));
  setQuantityType(TKSQuantityStatus);
  setPrecisionAccuracy(1.0, 1.0);
  return true;
}

bool TKSQUORVELx86MonitorCPU67184::initAsFrequencySensor(std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!isSwitchedOn("EnableFrequencyReadingsForCPU10670")) return false;
  return TKSQUORVELx86Monitor::initAsFrequencySensor(std::move(entry));
}

double TKSQUORVELx86MonitorCPU67184::frequencyForStatusRecord(const CPUCoreStatusRecord* record) const {
  if (record == nullptr) return 0.0;
  const double bus = busFrequencyOfCode(static_cast<std::uint32_t>(record->busFrequencyCode), kBusFrequencies.size() - 1);
  return (record->currentBusRatio() + (record->hasHalfRatio() ? 0.5 : 0.0)) * bus;
}

std::uint8_t TKSQUORVELx86MonitorCPU67184::maximumJunctionTemperature() const {
  const std::string name = cpuDisplayName().value_or("");
  for (const char* prefix : {"E7", "E8", "Q8", "Q9"}) {
    if (name.starts_with(prefix)) return 100;
  }
  if (name == "QX9650") return 95;
  if (name == "QX9770") return 85;
  return 105;
}

std::optional<Array> TKSQUORVELx86MonitorCPU67184::sensorLimitsArray() const { return junctionLimits(*this); }

// ---- Family 6, model 26 and later ----

bool TKSQUORVELx86MonitorCPU67232::initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry,
                                                           std::int32_t index, std::int32_t totalCount) {
  if (!TKSQUORVELx86Monitor::initAsTemperatureSensor(std::move(entry), index, totalCount)) return false;
  std::optional<CPUStatusBlock> block = statusBlock();
  if (!block) return false;
  if (std::optional<std::uint8_t> target = block->temperatureTarget()) {
    tJMax_ = *target;
  } else {
    os::systemLog(stringWithFormat("%@: WARNING: could not determine temperature target (processor core %d)!\n",
                                   className(), index));
    tJMax_ = kJunctionMaximumWithoutTarget;
  }
  return true;
}

std::optional<Array> TKSQUORVELx86MonitorCPU67232::sensorLimitsArray() const { return junctionLimits(*this); }

std::optional<Array> TKSQUORVELx86MonitorCPU67232::turboBoostFrequenciesArray() const {
  std::optional<CPUStatusBlock> block = statusBlock();
  std::optional<std::uint64_t> ratios = block ? block->turboRatioWord() : std::nullopt;
  if (!ratios) return std::nullopt;
  Array frequencies;
  // The word has a byte for at most eight active cores.
  for (std::uint32_t cores = 0; cores < maxTurboBoostCoreCount() && cores < 8; ++cores) {
    const auto ratio = static_cast<std::uint8_t>(*ratios >> (8 * cores));
    if (ratio != 0) frequencies.push_back(Value::integer(static_cast<std::int64_t>(turboBoostBaseFrequency() * ratio)));
  }
  return frequencies;
}

}  // namespace sw
