// Finding the S.M.A.R.T. disks of the machine, deciding what each entry supports, and the two
// shared tables (known disks, attribute names) read once per process from the plug-in's bundle.
#include <filesystem>

#include "foundation/Format.h"
#include "foundation/ProcessWide.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Bundle.h"
#include "os/Host.h"
#include "os/SystemLog.h"
#include "smart/TKSSMARTStorageDevice.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

constexpr std::uint8_t kDefaultTemperatureAttribute = 194;
constexpr std::int64_t kSMARTFeatureBit = 0x20;

// Each made on first use, like every process-wide value, so that none outlives the machine.
bool& debugMode() {
  static ProcessWide<bool> debug;
  return debug.get();
}

std::optional<KnownDiskTable>& knownDisks() {
  static ProcessWide<std::optional<KnownDiskTable>> table;
  return table.get();
}

std::optional<Dictionary>& vendorAttributes() {
  static ProcessWide<std::optional<Dictionary>> names;
  return names.get();
}

/// Every service of each class, classes in the order given.
RegistryEntryList servicesOfClasses(std::initializer_list<const char*> classNames) {
  RegistryEntryList entries;
  for (const char* className : classNames) {
    RegistryEntryList found = TKSIORegistryEntry::serviceObjectsMatchingName(className).value_or(RegistryEntryList{});
    entries.insert(entries.end(), found.begin(), found.end());
  }
  return entries;
}

std::optional<Value> propertyOf(const std::shared_ptr<TKSIORegistryEntry>& entry, std::string_view name) {
  std::optional<Dictionary> properties = entry->properties();
  if (!properties) return std::nullopt;
  const Value* value = valueForKey(*properties, name);
  return value != nullptr ? std::optional<Value>(*value) : std::nullopt;
}

void logIf(bool debug, std::string_view format, const std::shared_ptr<TKSIORegistryEntry>& entry) {
  if (debug) os::systemLog(stringWithFormat(format, entry->description()));
}

std::optional<bool> numberAsFlag(const Value& value) {
  if (std::optional<bool> flag = value.asBoolean()) return flag;
  if (std::optional<double> number = value.asReal()) return *number != 0;
  return std::nullopt;
}

}  // namespace

void TKSSMARTStorageDevice::setDebugMode(bool debug) { debugMode() = debug; }

SMARTDeviceList TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(bool restrict) {
  const bool debug = debugMode();
  const RegistryEntryList legacy = servicesOfClasses({"IOATABlockStorageDevice", "SonnetSATABlockStorageDevice"});
  const RegistryEntryList newEra = servicesOfClasses({"IOAHCIBlockStorageDevice", "IOBlockStorageServices"});
  if (debug) {
    os::systemLog(stringWithFormat(
        "*** Scanning for S.M.A.R.T. capable devices, feature code %d. (Found %u legacy ATA and %u new era block "
        "storage devices.)\n",
        TKSMachineInfo::sharedMachineInfo()->operatingSystemVersionCode(), legacy.size(), newEra.size()));
  }
  // A device for an entry that claims S.M.A.R.T. and opens; nullptr otherwise.
  auto deviceFor = [debug](const std::shared_ptr<TKSIORegistryEntry>& entry) -> std::shared_ptr<TKSSMARTStorageDevice> {
    logIf(debug, "    Processing entry %@\n", entry);
    if (!storageDeviceEntryIndicatesSMARTSupport(entry, debug)) return nullptr;
    auto device = createWithIORegistryEntry(entry, debug);
    if (!device) logIf(debug, "   Device entry %@ not accepted.\n", entry);
    return device;
  };
  SMARTDeviceList accepted;
  for (const auto& entry : legacy) {
    auto device = deviceFor(entry);
    if (!device) continue;
    if (auto known = diskDescriptionForProductName(device->productName())) {
      device->setSMARTTemperatureAttributeID(known->vendorTemperatureAttributeIdentifier());
    } else if (storageDeviceEntryIndicatesSATAConnect(entry, debug)) {
      device->setSMARTTemperatureAttributeID(kDefaultTemperatureAttribute);
      if (debug) {
        os::systemLog(stringWithFormat(
            "   Device with product name '%@' is unknown but connected via SATA. Accepted.\n", device->productName()));
      }
    } else if (restrict) {
      logIf(debug, "   Device entry %@ not accepted because temperature support could no be determined.\n", entry);
      continue;
    }
    accepted.push_back(std::move(device));
  }
  for (const auto& entry : newEra) {
    auto device = deviceFor(entry);
    if (!device) continue;
    device->setSMARTTemperatureAttributeID(kDefaultTemperatureAttribute);
    accepted.push_back(std::move(device));
  }
  if (debug) os::systemLog("*** Scan of S.M.A.R.T. capable devices completed.\n");
  return accepted;
}

bool TKSSMARTStorageDevice::storageDeviceEntryIndicatesSMARTSupport(const std::shared_ptr<TKSIORegistryEntry>& entry,
                                                                    bool debug) {
  if (!entry) return false;
  if (std::optional<Value> capable = propertyOf(entry, "SMART Capable")) {
    if (std::optional<bool> flag = numberAsFlag(*capable)) return *flag;
    logIf(debug, "   Device entry %@ not accepted because S.M.A.R.T. feature flag not accessible\n", entry);
    return false;
  }
  std::optional<Value> characteristics = propertyOf(entry, "Device Characteristics");
  if (!characteristics) {
    logIf(debug, "   Device entry %@ not accepted because device description not accessible\n", entry);
    return false;
  }
  const Value* features = characteristics->find("ATA Features");
  if (features == nullptr) {
    logIf(debug, "   Device entry %@ not accepted because ATA features not accessible\n", entry);
    return false;
  }
  std::optional<std::int64_t> code = features->isNumber() ? features->asInteger() : std::nullopt;
  if (!code) {
    logIf(debug, "   Device entry %@ not accepted because ATA features could not be processed\n", entry);
    return false;
  }
  if ((*code & kSMARTFeatureBit) != 0) return true;
  if (debug) {
    os::systemLog(stringWithFormat(
        "   Device entry %@ not accepted because it doesn't seem to support S.M.A.R.T. The feature code is %x.\n",
        entry->description(), *code));
  }
  return false;
}

bool TKSSMARTStorageDevice::storageDeviceEntryIndicatesSATAConnect(const std::shared_ptr<TKSIORegistryEntry>& entry,
                                                                   bool debug) {
  if (!entry) return false;
  std::optional<Value> protocol = propertyOf(entry, "Protocol Characteristics");
  if (!protocol || protocol->asDictionary() == nullptr) {
    logIf(debug, "   Device entry %@ does not specify protocol characteristics\n", entry);
    return false;
  }
  const Value* interconnect = protocol->find("Physical Interconnect");
  if (interconnect == nullptr || interconnect->asString() == nullptr) {
    logIf(debug, "   Device entry %@ has no or an unexpected interconnect specifier\n", entry);
    return false;
  }
  return *interconnect->asString() == "SATA";
}

std::optional<KnownDiskTable> TKSSMARTStorageDevice::knownSMARTHardDisks() {
  std::optional<KnownDiskTable>& table = knownDisks();
  if (table) return table;
  if (std::optional<std::string> contents = os::Bundle::pluginBundle().resourceContents("hddtemp", "db")) {
    table = TKSKnownSMARTHardDisk::smartDiskTableWithContents(*contents);
  } else if (std::filesystem::exists("hddtemp.db")) {
    table = TKSKnownSMARTHardDisk::smartDiskTableWithPath("hddtemp.db");
  }
  return table;
}

std::optional<Dictionary> TKSSMARTStorageDevice::knownSMARTVendorAttributes() {
  std::optional<Dictionary>& names = vendorAttributes();
  if (names) return names;
  std::optional<std::string> contents = os::Bundle::pluginBundle().resourceContents("SMARTProperties", "plist");
  if (!contents) return std::nullopt;
  std::optional<Value> list = PropertyListSerialization::propertyListFromData(*contents, nullptr);
  if (list && list->asDictionary() != nullptr) names = *list->asDictionary();
  return names;
}

std::shared_ptr<TKSKnownSMARTHardDisk> TKSSMARTStorageDevice::diskDescriptionForProductName(
    const std::optional<std::string>& name) {
  std::optional<KnownDiskTable> table = knownSMARTHardDisks();
  if (!name || !table) return nullptr;
  return TKSKnownSMARTHardDisk::firstRowMatching(*table, *name);
}

std::optional<std::string> TKSSMARTStorageDevice::vendorAttributeNameForSMARTIdentifier(int identifier) {
  std::optional<Dictionary> names = knownSMARTVendorAttributes();
  if (!names) return std::nullopt;
  const std::string* name = stringForKey(*names, stringWithFormat("%d", identifier));
  return name != nullptr ? std::optional<std::string>(*name) : std::nullopt;
}

bool TKSSMARTStorageDevice::systemDoesMonitorSMARTAttributes() {
  std::optional<Value> configuration = os::readPropertyListFile("/etc/hwmond.SMART");
  return configuration && configuration->asDictionary() != nullptr;
}

}  // namespace sw
