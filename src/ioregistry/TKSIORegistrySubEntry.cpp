// The sub-entry wrapper: getters read the current element of the array property each time.
#include "ioregistry/TKSIORegistrySubEntry.h"

#include "foundation/Format.h"

namespace sw {

TKSIORegistrySubEntry::TKSIORegistrySubEntry(os::io_object_t handle, std::string name, std::uint32_t index)
    : TKSIORegistryEntry(handle), entryName_(std::move(name)), entryIndex_(index) {}

std::shared_ptr<TKSIORegistrySubEntry> TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(
    const TKSIORegistryEntry* entry, NameOrNil name, std::uint32_t index) {
  if (entry == nullptr || entry->ioKitHandle() == 0 || !name) return nullptr;
  std::shared_ptr<TKSIORegistrySubEntry> subEntry(
      new TKSIORegistrySubEntry(entry->ioKitHandle(), std::string(*name), index));
  if (subEntry->ioKitHandle() == 0) return nullptr;
  return subEntry;
}

std::string TKSIORegistrySubEntry::description() const {
  std::optional<Value> contents;
  if (auto dictionary = properties()) contents = Value(std::move(*dictionary));
  return stringWithFormat("Sub-entry: %@ Index: %u: Contents %@\n", entryName_, entryIndex_, contents);
}

std::optional<Dictionary> TKSIORegistrySubEntry::properties() const {
  if (!entryName_) return std::nullopt;
  std::optional<Array> elements = arrayValueWithName(*entryName_);
  if (!elements || entryIndex_ >= elements->size()) return std::nullopt;
  Dictionary* element = (*elements)[entryIndex_].asDictionary();
  if (element == nullptr) return std::nullopt;
  return std::move(*element);
}

std::optional<Value> TKSIORegistrySubEntry::elementValue(NameOrNil key) const {
  if (!key) return std::nullopt;
  const std::optional<Dictionary> element = properties();
  if (!element) return std::nullopt;
  const auto found = element->find(*key);
  if (found == element->end()) return std::nullopt;
  return found->second;
}

bool TKSIORegistrySubEntry::hasValueWithName(NameOrNil name) const { return elementValue(name).has_value(); }

std::optional<std::string> TKSIORegistrySubEntry::stringValueWithName(NameOrNil name) const {
  const std::optional<Value> value = elementValue(name);
  if (!value || value->asString() == nullptr) return std::nullopt;
  return *value->asString();
}

std::int32_t TKSIORegistrySubEntry::intValueWithName(NameOrNil name) const {
  return numberAsInt32(elementValue(name)).value_or(0);
}

std::optional<RegistrySubEntryList> TKSIORegistrySubEntry::subEntriesWithName(NameOrNil) const {
  return std::nullopt;
}

}  // namespace sw
