// Machine facts read from the I/O Registry.
#include "system/MachineRegistryFacts.h"

#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "os/IOKitTypes.h"

namespace sw {
namespace {

/// One property of the entry, copied out of a snapshot of all its properties.
std::optional<Value> propertyOf(const TKSIORegistryEntry& entry, std::string_view key) {
  const auto properties = entry.properties();
  if (!properties) return std::nullopt;
  const auto found = properties->find(key);
  if (found == properties->end()) return std::nullopt;
  return found->second;
}

/// A data property, or nothing for a missing property or one of another kind.
std::optional<Data> dataProperty(const TKSIORegistryEntry& entry, std::string_view key) {
  const auto value = propertyOf(entry, key);
  if (!value || !value->asData()) return std::nullopt;
  return *value->asData();
}

/// Eight bytes are a 64-bit frequency, otherwise the first four a 32-bit one; shorter data
/// holds no frequency at all.
std::uint64_t frequencyValue(const std::optional<Data>& bytes) {
  if (!bytes) return 0;
  if (bytes->size() == 8) return loadLittleEndian(bytes->data(), 8);
  return bytes->size() >= 4 ? loadLittleEndian(bytes->data(), 4) : 0;
}

RegistryEntryList servicesOfClass(std::string_view className) {
  return TKSIORegistryEntry::serviceObjectsMatchingName(className).value_or(RegistryEntryList{});
}

std::string platformSerialNumber() {
  for (const auto& expert : servicesOfClass("IOPlatformExpertDevice")) {
    const auto serial = propertyOf(*expert, "IOPlatformSerialNumber");
    if (serial && serial->asString()) return *serial->asString();
  }
  return {};
}

/// The serial number made from the MAC address of the first primary network interface; "" when
/// that interface's controller has no 6-byte address.
std::string serialNumberFromPrimaryInterface(const std::string& prefix) {
  for (const auto& interface : servicesOfClass("IONetworkInterface")) {
    const auto primary = propertyOf(*interface, "IOPrimaryInterface");
    if (!primary || primary->asBoolean() != true) continue;
    const auto controller = interface->parentServiceEntry();
    const auto address = controller ? dataProperty(*controller, "IOMACAddress") : std::nullopt;
    if (!address || address->size() != 6) return {};
    const Data& a = *address;
    return stringWithFormat("%@-%02x%02x%02x%02x%02x%02x", prefix, a[0], a[1], a[2], a[3], a[4], a[5]);
  }
  return {};
}

}  // namespace

ProcessorNodeData readProcessorNodeData() {
  ProcessorNodeData data;
  for (const auto& node : servicesOfClass("IOPlatformDevice")) {
    const auto deviceType = node->stringValueWithName("device_type");
    if (deviceType == "cpu") {
      const auto version = dataProperty(*node, "cpu-version");
      if (version && version->size() == 4) data.cpuVersion = static_cast<std::int32_t>(loadLittleEndian(version->data(), 4));
      const auto maximum = dataProperty(*node, "max-clock-frequency");
      data.nominalFrequency = frequencyValue(maximum ? maximum : dataProperty(*node, "clock-frequency"));
      return data;
    }
    if (deviceType == "processor") {
      data.nominalFrequency = frequencyValue(dataProperty(*node, "clock-frequency"));
      return data;
    }
  }
  return data;
}

std::int32_t readSpeedFeature() {
  for (const auto& rootDomain : servicesOfClass("IOPMrootDomain")) {
    const auto features = propertyOf(*rootDomain, "Supported Features");
    if (!features) continue;
    if (features->find("Dynamic Power Step")) return 2;
    if (features->find("Reduce Processor Speed")) return 1;
    return 0;
  }
  return 0;
}

std::string readMachineSerialNumber(const std::string& fallbackPrefix) {
  std::string serial = platformSerialNumber();
  if (serial.empty()) serial = serialNumberFromPrimaryInterface(fallbackPrefix);
  return serial.empty() ? fallbackPrefix : serial;
}

std::string readBootROMVersion() {
  if (const auto bootROM = TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(os::kIODeviceTreePlane, "/rom/boot-rom")) {
    return bootROM->stringValueWithName("model").value_or("");
  }
  if (const auto rom = TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(os::kIODeviceTreePlane, "/rom")) {
    return stringWithFormat("%@ (%@)", rom->stringValueWithName("version"), rom->stringValueWithName("release-date"));
  }
  return {};
}

}  // namespace sw
