// Processor-module records of the G5.
#include "platform/TKSMPUInfo.h"

#include <algorithm>
#include <cctype>

#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

constexpr std::string_view kInterfaceClass = "PPCI2CInterface";
constexpr std::string_view kRecordKey = "cpuid";

bool isModuleInterface(const TKSIORegistryEntry& entry) {
  return entry.stringValueWithName("name") == kRecordKey && entry.hasValueWithName(kRecordKey);
}

RegistryEntryList moduleInterfaces() {
  RegistryEntryList modules;
  for (auto& entry : TKSIORegistryEntry::serviceObjectsMatchingName(kInterfaceClass).value_or(RegistryEntryList{})) {
    if (isModuleInterface(*entry)) modules.push_back(std::move(entry));
  }
  return modules;
}

std::string trimmedBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\n\r\v\f");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\n\r\v\f") - first + 1);
}

}  // namespace

MPUInfoList TKSMPUInfo::allMPUs() {
  MPUInfoList modules;
  for (const auto& entry : moduleInterfaces()) {
    if (auto info = createWithIORegistryEntry(entry.get())) modules.push_back(std::move(info));
  }
  return modules;
}

std::uint32_t TKSMPUInfo::numberOfLocalUnits() { return static_cast<std::uint32_t>(moduleInterfaces().size()); }

std::uint32_t TKSMPUInfo::mpuIndexForLocationIdentifier(const std::optional<std::string>& location) {
  if (!location || utf16Length(*location) < 5 || !location->starts_with("CPU ")) return 0;
  // The letter as a character, not a byte of its encoding; wraps below 'A' as the unsigned
  // difference always has.
  return static_cast<std::uint32_t>(utf16UnitAt(*location, 4).value_or(0)) - 'A';
}

std::shared_ptr<TKSMPUInfo> TKSMPUInfo::mpuInfoAtIndex(std::uint32_t index) {
  MPUInfoList modules = allMPUs();
  if (modules.size() <= index) return nullptr;
  return modules[index]->copy();
}

std::shared_ptr<TKSMPUInfo> TKSMPUInfo::createWithIORegistryEntry(const TKSIORegistryEntry* entry) {
  if (entry == nullptr) return nullptr;
  const std::optional<Dictionary> properties = entry->properties();
  if (!properties) return nullptr;
  auto record = properties->find(kRecordKey);
  if (record == properties->end()) return nullptr;
  const Data* bytes = record->second.asData();
  const std::size_t length = bytes != nullptr ? bytes->size() : 0;
  if (length != kRecordSize) {
    os::systemLog(stringWithFormat("unexepcted length of MPU data: %u\n", length));
    return nullptr;
  }
  auto info = std::make_shared<TKSMPUInfo>();
  std::copy(bytes->begin(), bytes->end(), info->mpuData_.begin());
  return info;
}

std::uint16_t TKSMPUInfo::unsigned16At(std::size_t offset) const {
  return static_cast<std::uint16_t>(loadBigEndian(mpuData_.data() + offset, 2));
}

std::uint32_t TKSMPUInfo::unsigned32At(std::size_t offset) const {
  return static_cast<std::uint32_t>(loadBigEndian(mpuData_.data() + offset, 4));
}

std::string TKSMPUInfo::printableText(std::size_t offset, std::size_t length) const {
  std::string kept;
  for (std::size_t index = offset; index < offset + length; ++index) {
    const unsigned char byte = mpuData_[index];
    if (std::isprint(byte)) kept.push_back(static_cast<char>(byte));
  }
  return trimmedBlanks(macRomanToUTF8(kept));
}

std::string TKSMPUInfo::PIDDataSetRevision() const {
  const std::uint32_t revision = unsigned32At(4);
  auto nibble = [revision](int index) { return int((revision >> (4 * index)) & 0xF); };
  return stringWithFormat("%d.%d.%d%x%d", nibble(4), nibble(3), nibble(2), nibble(1), nibble(0));
}

std::string TKSMPUInfo::processorLotNumber() const { return stringWithFormat("%u", unsigned32At(92)); }

void TKSMPUInfo::getIntakeFanLimitsMinMax(std::uint16_t* minimum, std::uint16_t* maximum) const {
  if (minimum != nullptr) *minimum = unsigned16At(76);
  if (maximum != nullptr) *maximum = unsigned16At(78);
}

void TKSMPUInfo::getExhaustFanLimitsMinMax(std::uint16_t* minimum, std::uint16_t* maximum) const {
  if (minimum != nullptr) *minimum = unsigned16At(80);
  if (maximum != nullptr) *maximum = unsigned16At(82);
}

std::string TKSMPUInfo::description() const {
  std::uint16_t intakeMin = 0, intakeMax = 0, exhaustMin = 0, exhaustMax = 0;
  getIntakeFanLimitsMinMax(&intakeMin, &intakeMax);
  getExhaustFanLimitsMinMax(&exhaustMin, &exhaustMax);
  return stringWithFormat(
      "G5 MPU card information: Version %d, PID Dataset Revision %@, CPUs per card %u, slot number %u\n"
      "CPU Bin Code %@, part number %@, lot number %@, original serial number %@, current serial number %@, "
      "main logic board serial number %@\n"
      "dM %u, dB %d, Intake Fan Limits %u..%u, Exhaust Fan Limits %u..%u\n"
      "Maximum  Temperature %d, Target Temperature %d\n",
      infoVersion(), PIDDataSetRevision(), numberOfCPUsPerMPU(), processorCardSlotNumber(), processorBinCode(),
      processorPartNumber(), processorLotNumber(), originalSerialNumber(), currentSerialNumber(),
      mainLogicBoardSerialNumber(), diodeMScaling(), diodeBOffset(), intakeMin, intakeMax, exhaustMin, exhaustMax,
      int(maximumTemperature()), int(targetTemperature()));
}

Dictionary TKSMPUInfo::descriptionDictionary() const {
  std::uint16_t intakeMin = 0, intakeMax = 0, exhaustMin = 0, exhaustMax = 0;
  getIntakeFanLimitsMinMax(&intakeMin, &intakeMax);
  getExhaustFanLimitsMinMax(&exhaustMin, &exhaustMax);
  return {
      {"InformationVersion", Value::integer(infoVersion())},
      {"PIDDataSetRevision", Value(PIDDataSetRevision())},
      {"CPUBinCode", Value(processorBinCode())},
      {"CPUPartNumber", Value(processorPartNumber())},
      {"CPULotNumber", Value(processorLotNumber())},
      {"OriginalSerial", Value(originalSerialNumber())},
      {"CurrentSerial", Value(currentSerialNumber())},
      {"MLBSerial", Value(mainLogicBoardSerialNumber())},
      {"NumberOfCPUs", Value::integer(numberOfCPUsPerMPU())},
      {"SlotNumber", Value::integer(processorCardSlotNumber())},
      {"DiodeMScaling", Value::integer(diodeMScaling())},
      {"DiodeBOffset", Value::integer(diodeBOffset())},
      {"IntakeFanMin", Value::integer(intakeMin)},
      {"IntakeFanMax", Value::integer(intakeMax)},
      {"ExhaustFanMin", Value::integer(exhaustMin)},
      {"ExhaustFanMax", Value::integer(exhaustMax)},
      {"TargetTemp", Value::integer(targetTemperature())},
      {"MaxTemp", Value::integer(maximumTemperature())},
  };
}

}  // namespace sw
