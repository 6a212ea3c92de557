// An I/O Registry entry wrapped in an object that owns exactly one kernel reference to it, with
// lookups (by service class, by path, parent and child) and typed property getters. Every getter
// asks the registry at the moment of the call; nothing is cached.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "os/IOKitTypes.h"

namespace sw {

class TKSIORegistryEntry;
class TKSIORegistrySubEntry;
using RegistryEntryList = std::vector<std::shared_ptr<TKSIORegistryEntry>>;
using RegistrySubEntryList = std::vector<std::shared_ptr<TKSIORegistrySubEntry>>;
/// A name argument that may be nil.
using NameOrNil = std::optional<std::string_view>;

class TKSIORegistryEntry {
 public:
  /// An entry bound to nothing (handle 0).
  TKSIORegistryEntry() = default;
  virtual ~TKSIORegistryEntry();
  TKSIORegistryEntry(const TKSIORegistryEntry&) = delete;
  TKSIORegistryEntry& operator=(const TKSIORegistryEntry&) = delete;

  /// Takes its own reference on handle (the caller keeps its one); nothing for handle 0 or a
  /// handle that is not live.
  static std::shared_ptr<TKSIORegistryEntry> createWithIOKitHandle(os::io_object_t handle);
  /// One entry per registered service of the class, in registry order; empty when the lookup fails
  /// or nothing matches; nothing for a nil name.
  static std::optional<RegistryEntryList> serviceObjectsMatchingName(NameOrNil serviceClassName);
  /// The entry at "plane:path"; nothing when either is nil or no entry is there.
  static std::shared_ptr<TKSIORegistryEntry> registryEntryInPlaneAbsolutePath(NameOrNil plane, NameOrNil path);

  /// The handle; no reference is added.
  os::io_object_t ioKitHandle() const { return handle_; }
  virtual std::string className() const { return "TKSIORegistryEntry"; }
  virtual std::string description() const;

  /// The "IOClass" of the nearest entry, this one or an ancestor, that carries a bundle identifier.
  std::optional<std::string> driverClassName() const;
  std::shared_ptr<TKSIORegistryEntry> parentServiceEntry() const;
  std::shared_ptr<TKSIORegistryEntry> childServiceEntry() const;

  virtual std::optional<Dictionary> properties() const;
  virtual bool hasValueWithName(NameOrNil name) const;
  /// A string property, or a data property read as a zero-terminated text.
  virtual std::optional<std::string> stringValueWithName(NameOrNil name) const;
  /// A number property's value; -1 when missing, not a number, or without handle.
  virtual std::int32_t intValueWithName(NameOrNil name) const;
  /// An array property of the registry entry itself.
  std::optional<Array> arrayValueWithName(NameOrNil name) const;
  /// One sub-entry per element of an array of dictionaries; nothing when the property is missing,
  /// no array, or any element is no dictionary.
  virtual std::optional<RegistrySubEntryList> subEntriesWithName(NameOrNil name) const;

 protected:
  /// Takes one reference on handle; the entry stays unbound (handle 0) when that fails.
  explicit TKSIORegistryEntry(os::io_object_t handle);

  /// A property of the registry entry itself, whatever a subclass presents as its properties.
  std::optional<Value> entryProperty(NameOrNil name) const;
  /// A number as a signed 32-bit value: integers keep their low 32 bits, reals are truncated.
  static std::optional<std::int32_t> numberAsInt32(const std::optional<Value>& value);

 private:
  /// Wraps a reference that a lookup handed us and gives that reference back.
  static std::shared_ptr<TKSIORegistryEntry> adoptLookupResult(os::io_object_t handle);

  os::io_object_t handle_ = 0;
};

}  // namespace sw
