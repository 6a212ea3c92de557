// The status block of the CPU-monitoring driver from coretemp and cpufreq.
#include "live/LiveCPUMonitor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "foundation/ByteOrder.h"
#include "foundation/Numbers.h"

namespace sw::live {
namespace {

constexpr std::string_view kHardwareMonitors = "/sys/class/hwmon/";
constexpr std::string_view kFrequencyFolder = "/sys/devices/system/cpu/cpu0/cpufreq/";
// The driver's block format as this backend writes it.
constexpr std::uint32_t kVersionCode = 9;
constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kRecordSize = 36;
constexpr std::uint32_t kTemperatureReadings = 1U << 0;
constexpr std::uint32_t kFrequencyReadings = 1U << 1;
constexpr std::uint32_t kTemperatureTargetValid = 1U << 4;
constexpr std::uint64_t kHalfRatio = 1ULL << 14;
// Megahertz by bus frequency code, as the driver numbers the front-side and base clocks.
constexpr std::array<double, 7> kBusFrequencies{266.67, 133.33, 200.0, 166.67, 333.33, 100.0, 400.0};
constexpr std::uint64_t kBaseClock100 = 5;
constexpr std::uint64_t kBaseClock133 = 1;

struct CoreReading {
  std::int64_t milliCelsius = 0;
  std::optional<std::int64_t> criticalMilliCelsius;
};

/// The cores of the first coretemp device by core number ("Core 0", "Core 1", …).
std::map<std::int64_t, CoreReading> coretempCores(LiveFiles& files) {
  std::map<std::int64_t, CoreReading> cores;
  for (const std::string& monitor : files.list(kHardwareMonitors)) {
    const std::string folder = std::string(kHardwareMonitors) + monitor + "/";
    if (files.readLine(folder + "name") != "coretemp") continue;
    for (const std::string& name : files.list(folder)) {
      if (!name.starts_with("temp") || !name.ends_with("_label")) continue;
      const std::string sensor = folder + name.substr(0, name.size() - 6);
      std::optional<std::string> label = files.readLine(folder + name);
      if (!label || !label->starts_with("Core ")) continue;
      std::int64_t core = 0;
      const std::string number = label->substr(5);
      if (number.empty() || number.size() > 4 || !std::all_of(number.begin(), number.end(), ::isdigit)) continue;
      core = std::stoll(number);
      std::optional<std::int64_t> input = files.readInteger(sensor + "_input");
      if (!input) continue;
      cores[core] = CoreReading{*input, files.readInteger(sensor + "_crit")};
    }
    if (!cores.empty()) break;
  }
  return cores;
}

/// The bus clock's code of the processor: the base clock of the processors since model 42 and
/// of the first integrated-controller models, otherwise the front-side bus that gives the
/// maximum frequency in whole or half ratios.
std::uint64_t busFrequencyCode(ProcessorModel processor, std::optional<double> maximumMegahertz) {
  if (processor.family == 6 && processor.model >= 42) return kBaseClock100;
  if (processor.family == 6 && (processor.model == 26 || processor.model == 30 || processor.model == 31 ||
                                processor.model == 37 || processor.model == 44 || processor.model == 46 ||
                                processor.model == 47)) {
    return kBaseClock133;
  }
  std::uint64_t best = 0;
  double bestError = 1.0;
  for (std::uint64_t code : {0, 1, 3, 2, 4, 6}) {
    if (!maximumMegahertz) break;
    const double halfRatios = *maximumMegahertz / kBusFrequencies[code] * 2.0;
    const double error = std::abs(halfRatios - std::round(halfRatios));
    if (error < bestError) {
      best = code;
      bestError = error;
    }
  }
  return best;
}

std::optional<double> megahertz(LiveFiles& files, const char* name) {
  std::optional<std::int64_t> kilohertz = files.readInteger(std::string(kFrequencyFolder) + name);
  if (!kilohertz || *kilohertz <= 0 || *kilohertz > 100'000'000) return std::nullopt;
  return double(*kilohertz) / 1000.0;
}

/// Ratio in bits 8–12 and the half-ratio bit, as the processor's performance status gives them.
std::uint64_t performanceStatus(double megahertz, double bus) {
  const double halfRatios = std::clamp(std::round(megahertz / bus * 2.0), 0.0, 63.0);
  const auto ratio = static_cast<std::uint64_t>(halfRatios) / 2;
  return (ratio << 8) | ((static_cast<std::uint64_t>(halfRatios) % 2 != 0) ? kHalfRatio : 0);
}

void store32(Data& block, std::size_t offset, std::uint32_t value) { storeLittleEndian32(&block[offset], value); }
void store64(Data& block, std::size_t offset, std::uint64_t value) {
  storeLittleEndian32(&block[offset], static_cast<std::uint32_t>(value));
  storeLittleEndian32(&block[offset + 4], static_cast<std::uint32_t>(value >> 32));
}

}  // namespace

std::optional<Data> liveCPUStatusBlock(LiveFiles& files, ProcessorModel processor, double now) {
  const std::map<std::int64_t, CoreReading> cores = coretempCores(files);
  if (cores.empty()) return std::nullopt;
  const std::optional<double> maximum = megahertz(files, "cpuinfo_max_freq");
  const std::optional<double> current = megahertz(files, "scaling_cur_freq");
  const std::uint64_t code = busFrequencyCode(processor, maximum);
  const double bus = kBusFrequencies[code];

  std::uint32_t flags = kTemperatureReadings;
  if (current) flags |= kFrequencyReadings;
  // Every core of a package has the same maximum; the first one that names it speaks for all.
  std::optional<std::int64_t> critical;
  for (const auto& [core, reading] : cores) {
    if (!critical) critical = reading.criticalMilliCelsius;
  }
  // Degrees come rounded from millidegrees; a value no processor reaches counts as none.
  const std::int64_t junctionMaximum =
      critical && *critical > 0 && *critical <= 255'000 ? (*critical + 500) / 1000 : 0;
  if (junctionMaximum > 0 && junctionMaximum <= 255) {
    flags |= kTemperatureTargetValid | (static_cast<std::uint32_t>(junctionMaximum) << 24);
  }

  Data block(kHeaderSize + cores.size() * kRecordSize, 0);
  store32(block, 0, kVersionCode);
  store32(block, 4, static_cast<std::uint32_t>(cores.size()));
  store64(block, 8, maximum ? (performanceStatus(*maximum, bus) & 0x1F00) : 0);
  store32(block, 16, flags);
  std::size_t offset = kHeaderSize;
  for (const auto& [core, reading] : cores) {
    store32(block, offset, clampToUInt32(std::floor(now)));
    // The driver counts whole degrees below the junction maximum; without one, none is known.
    if (junctionMaximum > 0) {
      const double below = std::round((double(junctionMaximum) * 1000.0 - double(reading.milliCelsius)) / 1000.0);
      store32(block, offset + 8, static_cast<std::uint32_t>(clampToInt32(std::clamp(below, 0.0, 255.0))));
    }
    if (current) store64(block, offset + 12, performanceStatus(*current, bus));
    store64(block, offset + 28, code);
    offset += kRecordSize;
  }
  return block;
}

std::optional<Dictionary> liveCPUMonitorEntry(LiveFiles& files, const Dictionary& sysctl, double now) {
  auto integer = [&sysctl](const char* name) {
    const Value* value = valueForKey(sysctl, name);
    return value && value->asInteger() ? *value->asInteger() : 0;
  };
  std::optional<Data> block = liveCPUStatusBlock(files, {integer("machdep.cpu.family"), integer("machdep.cpu.model")}, now);
  if (!block) return std::nullopt;
  const std::string* brand = stringForKey(sysctl, "machdep.cpu.brand_string");
  return Dictionary{{"IOObjectClass", Value(kCPUMonitorClass)},
                    {"CPUBrand", Value(brand ? *brand : std::string())},
                    {"CPUSignature", Value::integer(integer("machdep.cpu.signature"))},
                    {"CPUStatus", Value(std::move(*block))}};
}

}  // namespace sw::live
