// Gathering the machine's facts, the shared instance and the description.
#include "system/TKSMachineInfo.h"

#include <algorithm>
#include <cstring>

#include "foundation/Format.h"
#include "foundation/ProcessState.h"
#include "foundation/TextEncoding.h"
#include "os/Host.h"
#include "system/MachineRegistryFacts.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace sw {
namespace {

constexpr std::size_t kSysctlStringBufferSize = 1024;

/// A numeric sysctl value of the width of the field; the field keeps 0 when the query fails.
template <typename Number>
Number sysctlNumber(std::initializer_list<int> mib) {
  Number value = 0;
  std::size_t size = sizeof value;
  if (os::sysctl(mib.begin(), static_cast<unsigned>(mib.size()), &value, &size, nullptr, 0) != 0) return 0;
  return value;
}

template <typename Number>
Number sysctlNumber(std::string_view name) {
  Number value = 0;
  std::size_t size = sizeof value;
  if (os::sysctlbyname(name, &value, &size, nullptr, 0) != 0) return 0;
  return value;
}

/// A string sysctl value as UTF-8 text; "" when the query fails or the bytes are no text.
std::string sysctlString(std::initializer_list<int> mib) {
  char buffer[kSysctlStringBufferSize] = {};
  std::size_t size = sizeof buffer;
  if (os::sysctl(mib.begin(), static_cast<unsigned>(mib.size()), buffer, &size, nullptr, 0) != 0) return {};
  const std::size_t length = strnlen(buffer, std::min(size, sizeof buffer));
  const std::string_view text(buffer, length);
  return validUTF8(text) == text ? std::string(text) : std::string{};
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }
bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string uuidString(const std::uint8_t bytes[16]) {
  std::string text;
  for (int index = 0; index < 16; ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
    text += stringWithFormat("%02X", bytes[index]);
  }
  return text;
}

std::string readMachineUUID() {
  const os::GethostuuidFunction gethostuuid = os::lookupGethostuuid();
  if (!gethostuuid) return {};
  std::uint8_t bytes[16] = {};
  const timespec wait{1, 0};
  if (gethostuuid(bytes, &wait) != 0) return {};
  return uuidString(bytes);
}

std::string readComputerName() {
  const auto name = os::CSCopyMachineName();
  return name && !name->empty() ? *name : std::string("Macintosh");
}

std::shared_ptr<TKSMachineInfo>& sharedInstanceSlot() {
  static std::shared_ptr<TKSMachineInfo> instance;
  return instance;
}

}  // namespace

std::shared_ptr<TKSMachineInfo> TKSMachineInfo::sharedMachineInfo() {
  if (!sharedInstanceSlot()) {
    registerProcessStateReset([] { sharedInstanceSlot().reset(); });
    sharedInstanceSlot() = std::make_shared<TKSMachineInfo>();
  }
  return sharedInstanceSlot();
}

TKSMachineInfo::TKSMachineInfo() {
  Facts& f = facts_;
  f.numberOfCPUs = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_NCPU});
  f.numberOfActiveCPUs = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_AVAILCPU});
  std::uint32_t physical = 0;
  std::size_t physicalSize = sizeof physical;
  f.numberOfPhysicalCPUs = os::sysctlbyname("hw.physicalcpu", &physical, &physicalSize, nullptr, 0) == 0
                               ? physical
                               : f.numberOfCPUs;

  os::host_basic_info hostInfo{};
  os::mach_msg_type_number_t count = os::HOST_BASIC_INFO_COUNT;
  if (os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, reinterpret_cast<os::integer_t*>(&hostInfo),
                    &count) == os::KERN_SUCCESS) {
    f.cpuType = hostInfo.cpu_type;
    f.cpuSubType = hostInfo.cpu_subtype;
  }

  f.cpuFreq = currentCPUFrequency();
  f.cpuFreqMin = sysctlNumber<std::uint64_t>("hw.cpufrequency_min");
  f.cpuFreqMax = sysctlNumber<std::uint64_t>("hw.cpufrequency_max");
  f.fsbFreq = currentFSBFrequency();
  f.fsbFreqMin = sysctlNumber<std::uint64_t>("hw.busfrequency_min");
  f.fsbFreqMax = sysctlNumber<std::uint64_t>("hw.busfrequency_max");
  f.l1InstructionCacheSize = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_L1ICACHESIZE});
  f.l1DataCacheSize = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_L1DCACHESIZE});
  f.l2CacheSize = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_L2CACHESIZE});
  f.l3CacheSize = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_L3CACHESIZE});
  f.opsAltiVec = sysctlNumber<std::uint32_t>({os::CTL_HW, os::HW_VECTORUNIT}) == 1;
  f.memorySize = sysctlNumber<std::uint64_t>({os::CTL_HW, os::HW_MEMSIZE});
  f.appleModelCode = sysctlString({os::CTL_HW, os::HW_MODEL});
  f.osKernelVersion = sysctlString({os::CTL_KERN, os::KERN_VERSION});
  f.osKernelVersionNumber = kernelVersionNumber(f.osKernelVersion);

  const ProcessorNodeData processor = readProcessorNodeData();
  f.cpuVersion = processor.cpuVersion;
  f.cpuFreqNom = processor.nominalFrequency != 0 ? processor.nominalFrequency : f.cpuFreq;
  f.cpuSpeedFeature = readSpeedFeature();
  f.machineSerialNumber = readMachineSerialNumber(fallBackSerialNumberPrefix());

  f.osReadableVersion = NSProcessInfoTKSAdditions::operatingSystemVersionString();
  f.osVersionNumber = NSProcessInfoTKSAdditions::operatingSystemVersionNumberString();
  f.osReadableBuild = NSProcessInfoTKSAdditions::operatingSystemBuildCode();
  f.osVersionCode = NSProcessInfoTKSAdditions::operatingSystemVersionCode();

  f.bootROMVersion = readBootROMVersion();
  f.computerName = readComputerName();
  f.machineUUID = readMachineUUID();
  f.is64BitCapable = sysctlNumber<std::uint32_t>("hw.cpu64bit_capable") != 0;
  f.isRunning64BitKernel = endsWith(f.osKernelVersion, "RELEASE_X86_64");
}

std::string TKSMachineInfo::kernelVersionNumber(const std::string& kernelVersion) {
  // Like a scanner that skips white space, then up to the first digit: only a prefix that was
  // actually skipped makes the number count.
  std::size_t start = 0;
  while (start < kernelVersion.size() && isWhiteSpace(kernelVersion[start])) ++start;
  const auto digit = std::find_if(kernelVersion.begin() + static_cast<std::ptrdiff_t>(start), kernelVersion.end(),
                                  isDecimalDigit);
  if (digit == kernelVersion.end() || digit == kernelVersion.begin() + static_cast<std::ptrdiff_t>(start)) return {};
  const auto colon = std::find(digit, kernelVersion.end(), ':');
  return std::string(digit, colon);
}

std::uint64_t TKSMachineInfo::currentCPUFrequency() { return sysctlNumber<std::uint64_t>("hw.cpufrequency"); }
std::uint64_t TKSMachineInfo::currentFSBFrequency() { return sysctlNumber<std::uint64_t>("hw.busfrequency"); }

void TKSMachineInfo::getNumberOfCPUsActivePhysical(std::uint32_t* cpus, std::uint32_t* active,
                                                   std::uint32_t* physical) const {
  if (cpus) *cpus = facts_.numberOfCPUs;
  if (active) *active = facts_.numberOfActiveCPUs;
  if (physical) *physical = facts_.numberOfPhysicalCPUs;
}

void TKSMachineInfo::getCPUTypeSubType(std::int32_t* type, std::int32_t* subType) const {
  if (type) *type = facts_.cpuType;
  if (subType) *subType = facts_.cpuSubType;
}

void TKSMachineInfo::getCPUFrequencyMinimumMaximum(std::uint64_t* current, std::uint64_t* minimum,
                                                   std::uint64_t* maximum) const {
  if (current) *current = facts_.cpuFreq;
  if (minimum) *minimum = facts_.cpuFreqMin;
  if (maximum) *maximum = facts_.cpuFreqMax;
}

void TKSMachineInfo::getFSBFrequencyMinimumMaximum(std::uint64_t* current, std::uint64_t* minimum,
                                                   std::uint64_t* maximum) const {
  if (current) *current = facts_.fsbFreq;
  if (minimum) *minimum = facts_.fsbFreqMin;
  if (maximum) *maximum = facts_.fsbFreqMax;
}

void TKSMachineInfo::getL1CacheSizeDataInstructions(std::uint32_t* data, std::uint32_t* instructions) const {
  if (data) *data = facts_.l1DataCacheSize;
  if (instructions) *instructions = facts_.l1InstructionCacheSize;
}

std::string TKSMachineInfo::description() const {
  const Facts& f = facts_;
  const auto yesNo = [](bool flag) { return flag ? "YES" : "NO"; };
  return stringWithFormat(
      "%@, S/N %@ UUID: %@, named '%@': %u CPUs, %u physical, %u active, type %d:%d, frequency %llu Hz "
      "(min %llu Hz, max %llu Hz, nom %llu Hz) variable: %d, FSB frequency %llu Hz (min %llu Hz, max %llu Hz), "
      "L1 instruction cache %u bytes, L1 data cache %u bytes, L2 cache %u bytes, L3 cache %u bytes, vector unit "
      "support %@, 64 bit support %@, 64 bit kernel %@, memory size %llu bytes, operating system %@ build %@ OS "
      "code %x, %@, boot ROM version %@",
      f.appleModelCode, f.machineSerialNumber, f.machineUUID, f.computerName, f.numberOfCPUs, f.numberOfPhysicalCPUs,
      f.numberOfActiveCPUs, f.cpuType, f.cpuSubType, f.cpuFreq, f.cpuFreqMin, f.cpuFreqMax, f.cpuFreqNom,
      f.cpuSpeedFeature, f.fsbFreq, f.fsbFreqMin, f.fsbFreqMax, f.l1InstructionCacheSize, f.l1DataCacheSize,
      f.l2CacheSize, f.l3CacheSize, yesNo(f.opsAltiVec), yesNo(f.is64BitCapable), yesNo(f.isRunning64BitKernel),
      f.memorySize, f.osReadableVersion, f.osReadableBuild, f.osVersionCode, f.osKernelVersion, f.bootROMVersion);
}

}  // namespace sw
