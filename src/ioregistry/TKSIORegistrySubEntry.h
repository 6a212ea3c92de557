// One element of an array-valued property (an array of dictionaries) presented as an entry of its
// own. It copies nothing: every getter reads the array again, so it always shows the current
// element and turns empty when the array shrinks below its index.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ioregistry/TKSIORegistryEntry.h"

namespace sw {

class TKSIORegistrySubEntry : public TKSIORegistryEntry {
 public:
  /// Name nil, index 0, handle 0.
  TKSIORegistrySubEntry() = default;

  /// Holds its own reference to entry's kernel object; nothing when entry is null, unbound, or the
  /// name is nil.
  static std::shared_ptr<TKSIORegistrySubEntry> createWithEntrySubEntryNameIndex(const TKSIORegistryEntry* entry,
                                                                                 NameOrNil name, std::uint32_t index);

  std::optional<std::string> subEntryName() const { return entryName_; }
  std::uint32_t index() const { return entryIndex_; }

  std::string className() const override { return "TKSIORegistrySubEntry"; }
  std::string description() const override;

  /// The element's dictionary as it is now; nothing when it is gone or no dictionary.
  std::optional<Dictionary> properties() const override;
  bool hasValueWithName(NameOrNil name) const override;
  /// A string under the key (data is not converted).
  std::optional<std::string> stringValueWithName(NameOrNil name) const override;
  /// A number under the key; 0 (not -1) when missing or not a number.
  std::int32_t intValueWithName(NameOrNil name) const override;
  /// Sub-entries have none of their own.
  std::optional<RegistrySubEntryList> subEntriesWithName(NameOrNil name) const override;

 private:
  TKSIORegistrySubEntry(os::io_object_t handle, std::string name, std::uint32_t index);

  std::optional<Value> elementValue(NameOrNil key) const;

  std::optional<std::string> entryName_;
  std::uint32_t entryIndex_ = 0;
};

}  // namespace sw
