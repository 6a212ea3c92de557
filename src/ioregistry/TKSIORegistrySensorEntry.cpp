// Sensor nodes of the platform's hardware-monitoring drivers.
#include "ioregistry/TKSIORegistrySensorEntry.h"

#include <array>

#include "os/IOKit.h"

namespace sw {
namespace {

constexpr std::string_view kTypeKey = "type";
constexpr std::string_view kSensorIDKey = "sensor-id";
constexpr std::string_view kControlIDKey = "control-id";
constexpr std::string_view kLocationKey = "location";
constexpr std::string_view kCurrentValueKey = "current-value";

// The refresh property's name is kept out of the binary's plain strings: the drivers treat it as
// a private command, and a name that anyone can grep for invites other programs to hammer it.
constexpr std::array<std::uint8_t, 12> kRefreshNameTable = {0x15, 0x0A, 0x1C, 0x10, 0x0A, 0x5F,
                                                            0x02, 0x19, 0x00, 0x06, 0x11, 0x11};
constexpr std::string_view kRefreshNameKey = "sensorwidget";

bool hasCompletePropertySet(const TKSIORegistryEntry& entry, std::string_view identificationProperty) {
  for (std::string_view key : {kTypeKey, identificationProperty, kLocationKey, kCurrentValueKey}) {
    if (!entry.hasValueWithName(key)) return false;
  }
  return true;
}

std::string& refreshName() {
  static std::string name;
  return name;
}

}  // namespace

void TKSIORegistrySensorEntry::load() {
  std::string& name = refreshName();
  if (!name.empty()) return;
  for (std::size_t index = 0; index < kRefreshNameTable.size(); ++index) {
    name.push_back(static_cast<char>(kRefreshNameTable[index] ^ static_cast<std::uint8_t>(kRefreshNameKey[index])));
  }
}

const std::string& TKSIORegistrySensorEntry::refreshPropertyName() {
  load();
  return refreshName();
}

std::optional<RegistrySensorEntryList> TKSIORegistrySensorEntry::sensorEntriesMatchingServiceNameTypeNameControl(
    NameOrNil serviceClassName, NameOrNil typeName, bool control) {
  if (!serviceClassName) return std::nullopt;
  const std::string_view identificationProperty = control ? kControlIDKey : kSensorIDKey;
  RegistrySensorEntryList result;
  for (const auto& entry : serviceObjectsMatchingName(serviceClassName).value_or(RegistryEntryList{})) {
    if (!hasCompletePropertySet(*entry, identificationProperty)) continue;
    if (typeName && (typeName->empty() || entry->stringValueWithName(kTypeKey) != *typeName)) continue;
    if (auto sensorEntry = createWithIOKitHandleVerifyingServiceMatchString(entry->ioKitHandle(), identificationProperty)) {
      result.push_back(std::move(sensorEntry));
    }
  }
  return result;
}

std::shared_ptr<TKSIORegistrySensorEntry> TKSIORegistrySensorEntry::createWithIOKitHandleVerifyingServiceMatchString(
    os::io_object_t handle, NameOrNil identificationProperty) {
  if (handle == 0 || !identificationProperty) return nullptr;
  std::shared_ptr<TKSIORegistrySensorEntry> entry(new TKSIORegistrySensorEntry(handle));
  if (entry->ioKitHandle() == 0 || !hasCompletePropertySet(*entry, *identificationProperty)) return nullptr;
  return entry;
}

std::shared_ptr<TKSIORegistrySensorEntry> TKSIORegistrySensorEntry::createWithIOKitHandle(os::io_object_t handle) {
  return createWithIOKitHandleVerifyingServiceMatchString(handle, kSensorIDKey);
}

std::int32_t TKSIORegistrySensorEntry::sensorIdentificationNumber() const { return intValueWithName(kSensorIDKey); }

std::optional<std::string> TKSIORegistrySensorEntry::locationIdentification() const {
  return stringValueWithName(kLocationKey);
}

std::optional<std::string> TKSIORegistrySensorEntry::sensorTypeName() const { return stringValueWithName(kTypeKey); }

std::int32_t TKSIORegistrySensorEntry::sensorValue() const {
  if (ioKitHandle() == 0) return -1;
  // The driver answers the refresh at its own pace; what it did not manage is ignored, and a
  // reading caught mid-update (negative) gets one more chance.
  os::IORegistryEntrySetCFProperty(ioKitHandle(), refreshPropertyName(), Value::boolean(false));
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::int32_t reading = unenforcedSensorValue();
    if (reading >= 0) return reading;
  }
  return -1;
}

std::int32_t TKSIORegistrySensorEntry::unenforcedSensorValue() const { return intValueWithName(kCurrentValueKey); }

}  // namespace sw
