// Identity facts of the live machine, each from the file the kernel or the firmware keeps it in.
#include "live/LiveIdentity.h"

#include <sys/utsname.h>

#include <algorithm>
#include <charconv>
#include <set>

#include "foundation/Numbers.h"
#include "live/KeyValueText.h"

namespace sw::live {
namespace {

constexpr std::string_view kDMI = "/sys/class/dmi/id/";
constexpr std::string_view kCPU = "/sys/devices/system/cpu/";
// host_info's processor type and subtype of every Intel Mac.
constexpr std::int64_t kCPUTypeX86 = 7;
constexpr std::int64_t kCPUSubtypeX86 = 4;

std::optional<std::int64_t> number(const std::map<std::string, std::string>& values, const std::string& key) {
  auto found = values.find(key);
  if (found == values.end()) return std::nullopt;
  std::int64_t value = 0;
  const std::string& text = found->second;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

std::string textOf(const std::map<std::string, std::string>& values, const std::string& key) {
  auto found = values.find(key);
  return found == values.end() ? std::string() : found->second;
}

/// Firmware texts as the device tree holds them: zero-terminated data.
Value terminated(const std::string& text) {
  Data bytes(text.begin(), text.end());
  bytes.push_back(0);
  return Value(std::move(bytes));
}

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
  return text && !text->empty() ? text : std::nullopt;
}

/// Cache sizes of the first processor by level, from its cache folders ("32K", "3072K").
void readCacheSizes(LiveFiles& files, Dictionary& sysctl) {
  const std::string folder = std::string(kCPU) + "cpu0/cache/";
  for (const std::string& index : files.list(folder)) {
    if (!index.starts_with("index")) continue;
    const std::string base = folder + index + "/";
    std::optional<std::int64_t> level = files.readInteger(base + "level");
    std::optional<std::string> type = files.readLine(base + "type");
    std::optional<std::string> size = files.readLine(base + "size");
    if (!level || !type || !size || size->empty()) continue;
    std::int64_t kilobytes = 0;
    auto [end, error] = std::from_chars(size->data(), size->data() + size->size(), kilobytes);
    // No cache is a terabyte: a larger number is a broken file, and would overflow below.
    if (error != std::errc() || kilobytes < 0 || kilobytes > (std::int64_t{1} << 30)) continue;
    const std::int64_t bytes = std::string_view(end, size->data() + size->size()) == "K" ? kilobytes * 1024 : kilobytes;
    if (*level == 1 && *type == "Instruction") sysctl["hw.l1icachesize"] = Value::integer(bytes);
    if (*level == 1 && *type == "Data") sysctl["hw.l1dcachesize"] = Value::integer(bytes);
    if (*level == 2) sysctl["hw.l2cachesize"] = Value::integer(bytes);
    if (*level == 3) sysctl["hw.l3cachesize"] = Value::integer(bytes);
  }
}

void readProcessor(LiveFiles& files, Dictionary& sysctl) {
  const auto blocks = keyValueBlocks(files.read("/proc/cpuinfo", 4 * 1024 * 1024).value_or(""), ':');
  std::int64_t logical = 0;
  std::set<std::string> packages;
  std::set<std::pair<std::string, std::string>> cores;
  for (const auto& block : blocks) {
    if (!block.contains("processor")) continue;
    ++logical;
    packages.insert(textOf(block, "physical id"));
    cores.emplace(textOf(block, "physical id"), textOf(block, "core id"));
  }
  if (logical == 0) return;
  const auto& first = *std::find_if(blocks.begin(), blocks.end(), [](const auto& b) { return b.contains("processor"); });
  sysctl["hw.ncpu"] = Value::integer(logical);
  sysctl["hw.logicalcpu"] = Value::integer(logical);
  sysctl["hw.logicalcpu_max"] = Value::integer(logical);
  sysctl["hw.availcpu"] = Value::integer(logical);
  sysctl["hw.activecpu"] = Value::integer(logical);
  sysctl["hw.physicalcpu"] = Value::integer(static_cast<std::int64_t>(cores.size()));
  sysctl["hw.physicalcpu_max"] = Value::integer(static_cast<std::int64_t>(cores.size()));
  sysctl["hw.packages"] = Value::integer(static_cast<std::int64_t>(packages.size()));
  sysctl["machdep.cpu.brand_string"] = Value(textOf(first, "model name"));
  sysctl["machdep.cpu.vendor"] = Value(textOf(first, "vendor_id"));
  sysctl["machdep.cpu.features"] = Value(textOf(first, "flags"));
  sysctl["machdep.cpu.core_count"] = Value::integer(static_cast<std::int64_t>(cores.size()));
  sysctl["machdep.cpu.thread_count"] = Value::integer(logical);
  const std::int64_t family = number(first, "cpu family").value_or(0);
  const std::int64_t model = number(first, "model").value_or(0);
  const std::int64_t stepping = number(first, "stepping").value_or(0);
  sysctl["machdep.cpu.family"] = Value::integer(family);
  sysctl["machdep.cpu.model"] = Value::integer(model);
  sysctl["machdep.cpu.stepping"] = Value::integer(stepping);
  // The processor signature as CPUID leaf 1 gives it, rebuilt from the display family and model.
  const std::uint64_t baseFamily = family > 15 ? 15 : static_cast<std::uint64_t>(family);
  const std::uint64_t extendedFamily = family > 15 ? static_cast<std::uint64_t>(family - 15) : 0;
  const auto displayModel = static_cast<std::uint64_t>(model);
  const std::uint64_t signature = (extendedFamily << 20) | ((displayModel >> 4) << 16) | (baseFamily << 8) |
                                  ((displayModel & 0xF) << 4) | (static_cast<std::uint64_t>(stepping) & 0xF);
  sysctl["machdep.cpu.signature"] = Value::integer(static_cast<std::int64_t>(signature & 0xFFFFFFFF));
  const std::string flags = " " + textOf(first, "flags") + " ";
  sysctl["hw.cpu64bit_capable"] = Value::integer(flags.find(" lm ") != std::string::npos ? 1 : 0);
  sysctl["hw.vectorunit"] = Value::integer(flags.find(" sse ") != std::string::npos ? 1 : 0);
  readCacheSizes(files, sysctl);
}

void readFrequencies(LiveFiles& files, Dictionary& sysctl) {
  const std::string folder = std::string(kCPU) + "cpu0/cpufreq/";
  // cpufreq counts kilohertz.
  auto hertz = [&](const char* name) -> std::optional<std::int64_t> {
    std::optional<std::int64_t> kilohertz = files.readInteger(folder + name);
    if (!kilohertz || *kilohertz <= 0 || *kilohertz > (std::int64_t{1} << 40)) return std::nullopt;
    return *kilohertz * 1000;
  };
  std::optional<std::int64_t> maximum = hertz("cpuinfo_max_freq");
  std::optional<std::int64_t> minimum = hertz("cpuinfo_min_freq");
  std::optional<std::int64_t> nominal = hertz("base_frequency");
  if (!nominal) nominal = maximum;
  if (nominal) sysctl["hw.cpufrequency"] = Value::integer(*nominal);
  if (maximum) sysctl["hw.cpufrequency_max"] = Value::integer(*maximum);
  if (minimum) sysctl["hw.cpufrequency_min"] = Value::integer(*minimum);
}

void readKernel(LiveFiles& files, Dictionary& sysctl) {
  std::optional<std::string> type = nonEmpty(files.readLine("/proc/sys/kernel/ostype"));
  std::optional<std::string> release = nonEmpty(files.readLine("/proc/sys/kernel/osrelease"));
  std::optional<std::string> version = nonEmpty(files.readLine("/proc/sys/kernel/version"));
  std::optional<std::string> architecture = nonEmpty(files.readLine("/proc/sys/kernel/arch"));
  if (!architecture && files.root() == "/") {
    utsname names{};
    if (::uname(&names) == 0) architecture = names.machine;
  }
  if (!type || !release) return;
  sysctl["kern.ostype"] = Value(*type);
  sysctl["kern.osrelease"] = Value(*release);
  // The text has the form of the platform's own kernel version, whose last word names the
  // kernel's build and, with it, whether it runs in 64 bits.
  std::string text = *type + " Kernel Version " + *release + ": " + version.value_or("");
  if (architecture == "x86_64") text += "; RELEASE_X86_64";
  sysctl["kern.version"] = Value(text);
}

void readMemory(LiveFiles& files, Dictionary& sysctl) {
  const auto values = keyValues(files.read("/proc/meminfo").value_or(""), ':');
  auto found = values.find("MemTotal");
  if (found == values.end()) return;
  std::int64_t kilobytes = 0;
  const std::string& text = found->second;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kilobytes);
  if (error != std::errc() || kilobytes <= 0 || kilobytes > (std::int64_t{1} << 50)) return;
  sysctl["hw.memsize"] = Value::integer(kilobytes * 1024);
  sysctl["hw.physmem"] = Value::integer(std::min<std::int64_t>(kilobytes * 1024, 0x80000000LL));
}

void readFirmware(LiveFiles& files, LiveIdentity& identity) {
  const std::string dmi(kDMI);
  std::optional<std::string> model = nonEmpty(files.readLine(dmi + "product_name"));
  std::optional<std::string> vendor = nonEmpty(files.readLine(dmi + "sys_vendor"));
  std::optional<std::string> board = nonEmpty(files.readLine(dmi + "board_name"));
  // Only root may read the serial number and the UUID on most systems; without them the
  // plug-in does as on a machine whose firmware has none.
  std::optional<std::string> serial = nonEmpty(files.readLine(dmi + "product_serial"));
  std::optional<std::string> uuid = nonEmpty(files.readLine(dmi + "product_uuid"));
  std::optional<std::string> romVersion = nonEmpty(files.readLine(dmi + "bios_version"));
  std::optional<std::string> romDate = nonEmpty(files.readLine(dmi + "bios_date"));
  std::optional<std::string> romVendor = nonEmpty(files.readLine(dmi + "bios_vendor"));

  Dictionary& expert = identity.platformExpert;
  if (model) {
    identity.sysctl["hw.model"] = Value(*model);
    identity.profileName = *model;
    expert["IORegistryEntryName"] = Value(*model);
    expert["model"] = terminated(*model);
    expert["compatible"] = terminated(*model);
    expert["product-name"] = terminated(*model);
  }
  if (vendor) expert["manufacturer"] = terminated(*vendor);
  if (board) expert["board-id"] = terminated(*board);
  if (serial) expert["IOPlatformSerialNumber"] = Value(*serial);
  if (uuid) {
    expert["IOPlatformUUID"] = Value(*uuid);
    identity.hostUUID = *uuid;
  }

  Dictionary rom{{"IOObjectClass", Value("IOService")}, {"IORegistryEntryName", Value("rom")}};
  if (romVersion) rom["version"] = terminated(*romVersion);
  if (romDate) rom["release-date"] = terminated(*romDate);
  if (romVendor) rom["vendor"] = terminated(*romVendor);
  Dictionary root{{"IOObjectClass", Value("IOPlatformExpertDevice")}, {"IORegistryEntryName", Value("device-tree")}};
  if (model) root["model"] = terminated(*model);
  if (model) root["compatible"] = terminated(*model);
  root["IORegistryEntryChildren"] = Value(Array{Value(std::move(rom))});
  identity.deviceTree = std::move(root);
}

}  // namespace

Dictionary systemVersionFromOSRelease(std::string_view osRelease) {
  auto values = keyValues(osRelease, '=');
  auto field = [&](const char* key) { return values.contains(key) ? unquoted(values[key]) : std::string(); };
  Dictionary version;
  const std::string name = field("NAME");
  std::string number = field("VERSION_ID");
  if (name.empty() && number.empty()) return version;
  version["ProductName"] = Value(name.empty() ? std::string("Linux") : name);
  if (!number.empty()) {
    version["ProductVersion"] = Value(number);
    version["ProductUserVisibleVersion"] = Value(number);
  }
  std::string build = field("BUILD_ID");
  if (build.empty()) build = field("VERSION_CODENAME");
  if (!build.empty()) version["ProductBuildVersion"] = Value(build);
  return version;
}

LiveIdentity LiveIdentity::read(LiveFiles& files) {
  LiveIdentity identity;
  identity.profileName = "Live machine";
  identity.hostInfo = {{"cpu_type", Value::integer(kCPUTypeX86)}, {"cpu_subtype", Value::integer(kCPUSubtypeX86)}};
  identity.sysctl["hw.byteorder"] = Value::integer(1234);
  identity.sysctl["hw.machine"] = Value("i386");
  readFirmware(files, identity);
  readProcessor(files, identity.sysctl);
  readFrequencies(files, identity.sysctl);
  readKernel(files, identity.sysctl);
  readMemory(files, identity.sysctl);
  identity.computerName = nonEmpty(files.readLine("/proc/sys/kernel/hostname"));

  std::optional<std::string> osRelease = files.read("/etc/os-release");
  if (!osRelease) osRelease = files.read("/usr/lib/os-release");
  Dictionary version = systemVersionFromOSRelease(osRelease.value_or(""));
  if (!version.empty()) {
    identity.files["/System/Library/CoreServices/SystemVersion.plist"] = Value(std::move(version));
  }
  return identity;
}

}  // namespace sw::live
