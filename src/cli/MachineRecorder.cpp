// Walking the machine through the OS layer and writing what it shows in the profile's form.
#include "cli/MachineRecorder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <fmt/format.h>

#include "foundation/PropertyListSerialization.h"
#include "foundation/TextEncoding.h"
#include "os/Host.h"
#include "os/IOKit.h"
#include "os/Machine.h"
#include "sim/SMCListing.h"
#include "smc/SMCValueDecoding.h"
#include "smc/TKSSystemManagementController.h"

namespace sw::cli {
namespace {

// The sysctl names a profile may hold, and which of them are texts.
constexpr const char* kTextNames[] = {"hw.model", "hw.machine", "kern.version", "kern.ostype", "kern.osrelease",
                                      "machdep.cpu.brand_string", "machdep.cpu.vendor", "machdep.cpu.features",
                                      "machdep.cpu.extfeatures"};
constexpr const char* kNumberNames[] = {
    "hw.ncpu", "hw.availcpu", "hw.activecpu", "hw.physicalcpu", "hw.physicalcpu_max", "hw.logicalcpu",
    "hw.logicalcpu_max", "hw.packages", "hw.memsize", "hw.physmem", "hw.pagesize", "hw.byteorder",
    "hw.l1icachesize", "hw.l1dcachesize", "hw.l2cachesize", "hw.l3cachesize", "hw.cachelinesize", "hw.vectorunit",
    "hw.cpufrequency", "hw.cpufrequency_min", "hw.cpufrequency_max", "hw.busfrequency", "hw.busfrequency_min",
    "hw.busfrequency_max", "hw.tbfrequency", "hw.cpu64bit_capable", "hw.cputype", "hw.cpusubtype", "hw.cpufamily",
    "machdep.cpu.family", "machdep.cpu.model", "machdep.cpu.stepping", "machdep.cpu.signature",
    "machdep.cpu.extfamily", "machdep.cpu.extmodel", "machdep.cpu.brand", "machdep.cpu.core_count",
    "machdep.cpu.thread_count", "machdep.cpu.cores_per_package", "machdep.cpu.logical_per_package",
    "machdep.cpu.microcode_version", "machdep.cpu.address_bits.physical", "machdep.cpu.address_bits.virtual"};
constexpr const char* kFiles[] = {"/System/Library/CoreServices/SystemVersion.plist", "/etc/hwmond.SMART"};

constexpr std::uint8_t kReadBytes = 5;
constexpr std::uint8_t kReadIndex = 8;
constexpr std::uint8_t kReadKeyInfo = 9;

/// One call of the controller's record; nothing when the call fails.
std::optional<TKSSMCKeyData> smcCall(TKSSystemManagementController& smc, std::uint8_t command, std::uint32_t key,
                                     std::uint32_t parameter = 0) {
  TKSSMCKeyData input{};
  TKSSMCKeyData output{};
  input.key = key;
  input.command = command;
  input.parameter = parameter;
  if (!smc.callServiceFunctionWithInputAndOutput(&input, &output)) return std::nullopt;
  return output;
}

/// Every key the controller lists, with type and bytes; a key that cannot be read keeps its
/// type and size and is marked as failing.
Array recordSMCKeys(os::io_service_t service) {
  std::shared_ptr<TKSSystemManagementController> smc = TKSSystemManagementController::createWithIORegistryEntry(service);
  if (!smc) return {};
  std::vector<sim::SMCListingKey> keys;
  const std::uint32_t count = static_cast<std::uint32_t>(smc->allPropertyKeys().size());
  for (std::uint32_t index = 0; index < count; ++index) {
    std::optional<TKSSMCKeyData> named = smcCall(*smc, kReadIndex, 0, index);
    if (!named) continue;
    std::optional<TKSSMCKeyData> info = smcCall(*smc, kReadKeyInfo, named->key);
    if (!info) continue;
    sim::SMCListingKey key;
    key.key = smc::stringForFourCharCode(named->key);
    if (std::optional<std::string> roman = utf8ToMacRoman(key.key)) key.key = *roman;
    key.type = info->keyInfo.dataType;
    const std::uint32_t size = std::min<std::uint32_t>(info->keyInfo.dataSize, 32);
    std::optional<TKSSMCKeyData> value = smcCall(*smc, kReadBytes, named->key);
    key.readable = value.has_value();
    key.bytes = value ? Data(value->bytes, value->bytes + size) : Data(size, 0);
    keys.push_back(std::move(key));
  }
  return sim::smcKeysFromListing(keys, sim::SMCListingSignals::None);
}

/// The records of a S.M.A.R.T. block up to the last used slot, each made by `record`.
template <typename Record>
Array smartSlots(const std::uint8_t* block, Record record) {
  constexpr std::size_t kSlots = 30, kSize = 12;
  std::size_t used = 0;
  for (std::size_t slot = 0; slot < kSlots; ++slot) {
    if (block[2 + slot * kSize] != 0) used = slot + 1;
  }
  Array records;
  for (std::size_t slot = 0; slot < used; ++slot) records.push_back(Value(record(block + 2 + slot * kSize)));
  return records;
}

/// A disk's answers through its ATA S.M.A.R.T. plug-in, in the form of @SMART: IDENTIFY as its
/// 512 bytes, the attribute and threshold slots, the status, and the calls that failed. Nothing
/// for an entry without such a plug-in.
std::optional<Dictionary> recordSMART(os::io_service_t entry) {
  os::IOCFPlugInInterface* plugIn = nullptr;
  std::int32_t score = 0;
  if (os::IOCreatePlugInInterfaceForService(entry, os::kIOATASMARTUserClientTypeID, os::kIOCFPlugInInterfaceID,
                                            &plugIn, &score) != os::kIOReturnSuccess ||
      plugIn == nullptr) {
    return std::nullopt;
  }
  void* found = nullptr;
  if (plugIn->QueryInterface(os::kIOATASMARTInterfaceID, &found) != os::S_OK || found == nullptr) {
    os::IODestroyPlugInInterface(plugIn);
    return std::nullopt;
  }
  auto* smart = static_cast<os::IOATASMARTInterface*>(found);
  Dictionary recorded;
  Array failing;
  if (smart->SMARTEnableDisableOperations(true) != os::kIOReturnSuccess) failing.push_back(Value("enable"));
  Data identify(512, 0);
  std::uint32_t size = 0;
  if (smart->GetATAIdentifyData(identify.data(), 512, &size) == os::kIOReturnSuccess && size == 512) {
    recorded["Identify"] = Value(std::move(identify));
  } else {
    failing.push_back(Value("identify"));
  }
  os::ATASMARTData data{};
  if (smart->SMARTReadData(&data) == os::kIOReturnSuccess) {
    recorded["Attributes"] = Value(smartSlots(data.bytes, [](const std::uint8_t* slot) {
      return Dictionary{{"ID", Value::integer(slot[0])},
                        {"Flags", Value::integer(slot[1] | (slot[2] << 8))},
                        {"Value", Value::integer(slot[3])},
                        {"Worst", Value::integer(slot[4])},
                        {"Raw", Value(Data(slot + 5, slot + 11))}};
    }));
  } else {
    failing.push_back(Value("data"));
  }
  os::ATASMARTDataThresholds thresholds{};
  if (smart->SMARTReadDataThresholds(&thresholds) == os::kIOReturnSuccess) {
    recorded["Thresholds"] = Value(smartSlots(thresholds.bytes, [](const std::uint8_t* slot) {
      return Dictionary{{"ID", Value::integer(slot[0])}, {"Threshold", Value::integer(slot[1])}};
    }));
  } else {
    failing.push_back(Value("thresholds"));
  }
  bool exceeded = false;
  if (smart->SMARTReturnStatus(&exceeded) == os::kIOReturnSuccess) {
    recorded["Status"] = Value::integer(exceeded ? 1 : 0);
  } else {
    failing.push_back(Value("status"));
  }
  if (!failing.empty()) recorded["Fail"] = Value(std::move(failing));
  smart->Release();
  os::IODestroyPlugInInterface(plugIn);
  return recorded;
}

void hideSerials(Dictionary& properties) {
  if (auto found = properties.find("IOPlatformSerialNumber"); found != properties.end() && found->second.asString()) {
    found->second = Value(serialPlaceholder(*found->second.asString()));
  }
  if (auto found = properties.find("serial-number"); found != properties.end() && found->second.asData()) {
    const Data& bytes = *found->second.asData();
    std::string text(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
    Data replaced = bytes;
    const std::string placeholder = serialPlaceholder(text);
    std::copy(placeholder.begin(), placeholder.end(), replaced.begin());
    found->second = Value(std::move(replaced));
  }
  if (auto found = properties.find("IOPlatformUUID"); found != properties.end() && found->second.asString()) {
    found->second = Value(serialPlaceholder(*found->second.asString()));
  }
}

Value recordEntry(os::io_registry_entry_t entry, const char* plane, const RecordOptions& options) {
  Dictionary recorded;
  std::optional<Dictionary> properties;
  if (os::IORegistryEntryCreateCFProperties(entry, &properties) == os::kIOReturnSuccess && properties) {
    recorded = std::move(*properties);
  }
  if (!options.keepSerial) hideSerials(recorded);
  std::string className;
  if (os::IOObjectGetClass(entry, &className) == os::kIOReturnSuccess) recorded["IOObjectClass"] = Value(className);
  std::string name;
  if (os::IORegistryEntryGetName(entry, &name) == os::kIOReturnSuccess && name != className) {
    recorded["IORegistryEntryName"] = Value(name);
  }
  if (std::string_view(plane) == os::kIOServicePlane && os::IOObjectConformsTo(entry, "AppleSMC")) {
    Array keys = recordSMCKeys(entry);
    if (!keys.empty()) recorded["@SMCKeys"] = Value(std::move(keys));
  }
  if (std::string_view(plane) == os::kIOServicePlane) {
    if (std::optional<Dictionary> smart = recordSMART(entry)) recorded["@SMART"] = Value(std::move(*smart));
  }
  Array children;
  os::io_iterator_t iterator = 0;
  if (os::IORegistryEntryGetChildIterator(entry, plane, &iterator) == os::kIOReturnSuccess) {
    while (os::io_object_t child = os::IOIteratorNext(iterator)) {
      children.push_back(recordEntry(child, plane, options));
      os::IOObjectRelease(child);
    }
    os::IOObjectRelease(iterator);
  }
  if (!children.empty()) recorded["IORegistryEntryChildren"] = Value(std::move(children));
  return Value(std::move(recorded));
}

Dictionary recordSysctl() {
  Dictionary sysctl;
  for (const char* name : kTextNames) {
    char buffer[4096] = {};
    std::size_t size = sizeof buffer - 1;
    if (os::sysctlbyname(name, buffer, &size, nullptr, 0) == 0) sysctl[name] = Value(std::string(buffer, strnlen(buffer, size)));
  }
  for (const char* name : kNumberNames) {
    std::uint8_t buffer[8] = {};
    std::size_t size = sizeof buffer;
    if (os::sysctlbyname(name, buffer, &size, nullptr, 0) != 0 || (size != 4 && size != 8)) continue;
    std::int64_t number = 0;
    if (size == 4) {
      // The 32-bit names hold counts, sizes and codes: none is negative.
      std::uint32_t narrow = 0;
      std::memcpy(&narrow, buffer, 4);
      number = narrow;
    } else {
      std::memcpy(&number, buffer, 8);
    }
    sysctl[name] = Value::integer(number);
  }
  return sysctl;
}

Dictionary recordFiles() {
  Dictionary files;
  for (const char* path : kFiles) {
    std::optional<Data> bytes = os::readFile(path);
    if (!bytes) continue;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::optional<Value> list = PropertyListSerialization::propertyListFromData(text, nullptr);
    if (list && (list->asDictionary() || list->asArray())) {
      files[path] = *list;
    } else if (validUTF8(text) == text) {
      files[path] = Value(text);
    } else {
      files[path] = Value(*bytes);
    }
  }
  return files;
}

}  // namespace

bool isUUID(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    const bool dash = index == 8 || index == 13 || index == 18 || index == 23;
    if (dash != (text[index] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(text[index])))) return false;
  }
  return true;
}

std::string serialPlaceholder(std::string_view serial) {
  std::string placeholder(serial);
  if (isUUID(serial)) {
    for (char& c : placeholder) c = c == '-' ? '-' : '0';
    return placeholder;
  }
  const bool alphanumeric = std::all_of(serial.begin(), serial.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
  if (alphanumeric && (serial.size() == 11 || serial.size() == 12)) {
    std::fill(placeholder.begin() + 5, placeholder.begin() + 8, '0');
    return placeholder;
  }
  for (char& c : placeholder) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      c = '0';
    } else if (std::isalpha(static_cast<unsigned char>(c))) {
      c = 'X';
    }
  }
  return placeholder;
}

Value recordCurrentMachine(const RecordOptions& options) {
  Dictionary profile;
  std::string model;
  {
    char buffer[256] = {};
    std::size_t size = sizeof buffer - 1;
    if (os::sysctlbyname("hw.model", buffer, &size, nullptr, 0) == 0) model = std::string(buffer, strnlen(buffer, size));
  }
  profile["ProfileName"] = Value(model.empty() ? std::string("Recorded machine") : "Recorded " + model);
  profile["Sysctl"] = Value(recordSysctl());
  os::host_basic_info basic{};
  os::mach_msg_type_number_t count = os::HOST_BASIC_INFO_COUNT;
  if (os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, reinterpret_cast<os::integer_t*>(&basic), &count) ==
      os::KERN_SUCCESS) {
    profile["HostInfo"] = Value(Dictionary{{"cpu_type", Value::integer(basic.cpu_type)},
                                           {"cpu_subtype", Value::integer(basic.cpu_subtype)}});
  }
  if (options.keepSerial) {
    if (std::optional<std::string> name = os::CSCopyMachineName()) profile["ComputerName"] = Value(*name);
    std::uint8_t uuid[16] = {};
    const timespec wait{1, 0};
    if (os::GethostuuidFunction gethostuuid = os::lookupGethostuuid(); gethostuuid && gethostuuid(uuid, &wait) == 0) {
      std::string text;
      for (int index = 0; index < 16; ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
        text += fmt::format("{:02X}", uuid[index]);
      }
      profile["HostUUID"] = Value(text);
    }
  }
  profile["Files"] = Value(recordFiles());
  profile["Defaults"] = Value(os::currentMachine().standardUserDefaults());
  if (os::io_registry_entry_t root = os::IORegistryGetRootEntry(os::kIOMasterPortDefault)) {
    profile["IORegistry"] = recordEntry(root, os::kIOServicePlane, options);
    os::IOObjectRelease(root);
  }
  if (os::io_registry_entry_t root = os::IORegistryEntryFromPath(os::kIOMasterPortDefault, "IODeviceTree:/")) {
    profile["IODeviceTree"] = recordEntry(root, os::kIODeviceTreePlane, options);
    os::IOObjectRelease(root);
  }
  return Value(std::move(profile));
}

}  // namespace sw::cli
