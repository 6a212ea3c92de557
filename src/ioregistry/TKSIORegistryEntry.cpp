// The registry entry wrapper: one kernel reference per object, every temporary given back.
#include "ioregistry/TKSIORegistryEntry.h"

#include <algorithm>

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/TextEncoding.h"
#include "ioregistry/TKSIORegistrySubEntry.h"
#include "os/IOKit.h"

namespace sw {
namespace {

constexpr std::string_view kBundleIdentifierKey = "CFBundleIdentifier";
constexpr std::string_view kDriverClassKey = "IOClass";

/// The text of data bytes up to the first zero byte, or all of them when there is none.
std::string zeroTerminatedText(const Data& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return macRomanToUTF8(std::string(bytes.begin(), end));
}

/// The parent in the service plane as a new reference, or 0.
os::io_registry_entry_t serviceParent(os::io_registry_entry_t entry) {
  os::io_registry_entry_t parent = 0;
  if (os::IORegistryEntryGetParentEntry(entry, os::kIOServicePlane, &parent) != os::KERN_SUCCESS) return 0;
  return parent;
}

}  // namespace

TKSIORegistryEntry::TKSIORegistryEntry(os::io_object_t handle) {
  if (handle != 0 && os::IOObjectRetain(handle) == os::KERN_SUCCESS) handle_ = handle;
}

TKSIORegistryEntry::~TKSIORegistryEntry() {
  if (handle_ != 0) os::IOObjectRelease(handle_);
}

std::shared_ptr<TKSIORegistryEntry> TKSIORegistryEntry::createWithIOKitHandle(os::io_object_t handle) {
  std::shared_ptr<TKSIORegistryEntry> entry(new TKSIORegistryEntry(handle));
  if (entry->ioKitHandle() == 0) return nullptr;
  return entry;
}

std::shared_ptr<TKSIORegistryEntry> TKSIORegistryEntry::adoptLookupResult(os::io_object_t handle) {
  if (handle == 0) return nullptr;
  std::shared_ptr<TKSIORegistryEntry> entry = createWithIOKitHandle(handle);
  os::IOObjectRelease(handle);
  return entry;
}

std::optional<RegistryEntryList> TKSIORegistryEntry::serviceObjectsMatchingName(NameOrNil serviceClassName) {
  if (!serviceClassName) return std::nullopt;
  RegistryEntryList entries;
  os::io_iterator_t iterator = 0;
  if (os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching(*serviceClassName),
                                       &iterator) != os::KERN_SUCCESS) {
    return entries;
  }
  for (os::io_object_t service = os::IOIteratorNext(iterator); service != 0; service = os::IOIteratorNext(iterator)) {
    if (auto entry = adoptLookupResult(service)) entries.push_back(std::move(entry));
  }
  os::IOObjectRelease(iterator);
  return entries;
}

std::shared_ptr<TKSIORegistryEntry> TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(NameOrNil plane,
                                                                                         NameOrNil path) {
  if (!plane || !path) return nullptr;
  const std::string fullPath = std::string(*plane) + ":" + std::string(*path);
  return adoptLookupResult(os::IORegistryEntryFromPath(os::kIOMasterPortDefault, fullPath));
}

std::string TKSIORegistryEntry::description() const {
  std::optional<Value> contents;
  if (auto dictionary = properties()) contents = Value(std::move(*dictionary));
  return stringWithFormat("%@: %@\n", className(), contents);
}

std::optional<std::string> TKSIORegistryEntry::driverClassName() const {
  if (handle_ == 0) return std::nullopt;
  os::io_registry_entry_t current = handle_;
  os::IOObjectRetain(current);
  while (current != 0 && !os::IORegistryEntryCreateCFProperty(current, kBundleIdentifierKey)) {
    const os::io_registry_entry_t parent = serviceParent(current);
    os::IOObjectRelease(current);
    current = parent;
  }
  if (current == 0) return std::nullopt;
  const std::optional<Value> driverClass = os::IORegistryEntryCreateCFProperty(current, kDriverClassKey);
  os::IOObjectRelease(current);
  if (!driverClass || driverClass->asString() == nullptr) return std::nullopt;
  return *driverClass->asString();
}

std::shared_ptr<TKSIORegistryEntry> TKSIORegistryEntry::parentServiceEntry() const {
  if (handle_ == 0) return nullptr;
  return adoptLookupResult(serviceParent(handle_));
}

std::shared_ptr<TKSIORegistryEntry> TKSIORegistryEntry::childServiceEntry() const {
  if (handle_ == 0) return nullptr;
  os::io_registry_entry_t child = 0;
  if (os::IORegistryEntryGetChildEntry(handle_, os::kIOServicePlane, &child) != os::KERN_SUCCESS) return nullptr;
  return adoptLookupResult(child);
}

std::optional<Dictionary> TKSIORegistryEntry::properties() const {
  if (handle_ == 0) return std::nullopt;
  std::optional<Dictionary> all;
  if (os::IORegistryEntryCreateCFProperties(handle_, &all) != os::KERN_SUCCESS) return std::nullopt;
  return all;
}

std::optional<Value> TKSIORegistryEntry::entryProperty(NameOrNil name) const {
  if (handle_ == 0 || !name) return std::nullopt;
  return os::IORegistryEntryCreateCFProperty(handle_, *name);
}

std::optional<std::int32_t> TKSIORegistryEntry::numberAsInt32(const std::optional<Value>& value) {
  if (!value || !value->isNumber()) return std::nullopt;
  if (value->kind() == Value::Kind::Real) return clampToInt32(*value->asReal());
  // Registers wider than 32 bits read as their low word, as the platform's intValue gives them.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value->asInteger()));
}

bool TKSIORegistryEntry::hasValueWithName(NameOrNil name) const { return entryProperty(name).has_value(); }

std::optional<std::string> TKSIORegistryEntry::stringValueWithName(NameOrNil name) const {
  const std::optional<Value> value = entryProperty(name);
  if (!value) return std::nullopt;
  if (const std::string* text = value->asString()) return *text;
  if (const Data* bytes = value->asData()) return zeroTerminatedText(*bytes);
  return std::nullopt;
}

std::int32_t TKSIORegistryEntry::intValueWithName(NameOrNil name) const {
  return numberAsInt32(entryProperty(name)).value_or(-1);
}

std::optional<Array> TKSIORegistryEntry::arrayValueWithName(NameOrNil name) const {
  std::optional<Value> value = entryProperty(name);
  if (!value || value->asArray() == nullptr) return std::nullopt;
  return std::move(*value->asArray());
}

std::optional<RegistrySubEntryList> TKSIORegistryEntry::subEntriesWithName(NameOrNil name) const {
  const std::optional<Array> elements = arrayValueWithName(name);
  if (!elements) return std::nullopt;
  RegistrySubEntryList subEntries;
  for (std::size_t index = 0; index < elements->size(); ++index) {
    if ((*elements)[index].asDictionary() == nullptr) return std::nullopt;
    auto subEntry =
        TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(this, name, static_cast<std::uint32_t>(index));
    if (!subEntry) return std::nullopt;
    subEntries.push_back(std::move(subEntry));
  }
  return subEntries;
}

}  // namespace sw
