// The sensor and control nodes that the hardware-monitoring drivers of older machines publish
// ("IOHWSensor", "IOHWControl"): only nodes with the complete property set are wrapped, and a
// reading asks the driver to refresh the node first.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ioregistry/TKSIORegistryEntry.h"

namespace sw {

class TKSIORegistrySensorEntry;
using RegistrySensorEntryList = std::vector<std::shared_ptr<TKSIORegistrySensorEntry>>;

class TKSIORegistrySensorEntry : public TKSIORegistryEntry {
 public:
  /// The complete nodes of a service class in registry order, identified by "control-id" when
  /// control is true, else by "sensor-id"; only those whose "type" is typeName when it is given
  /// (an empty typeName keeps none). Empty when the lookup fails; nothing for a nil class name.
  static std::optional<RegistrySensorEntryList> sensorEntriesMatchingServiceNameTypeNameControl(
      NameOrNil serviceClassName, NameOrNil typeName, bool control);
  /// Nothing for handle 0, a nil property name, or a node that lacks "type", the identification
  /// property, "location" or "current-value".
  static std::shared_ptr<TKSIORegistrySensorEntry> createWithIOKitHandleVerifyingServiceMatchString(
      os::io_object_t handle, NameOrNil identificationProperty);
  /// The same with "sensor-id" as the identification property.
  static std::shared_ptr<TKSIORegistrySensorEntry> createWithIOKitHandle(os::io_object_t handle);

  /// Builds the name of the refresh property once; later calls do nothing. Part of the class's
  /// load step, so that no reading ever waits for it.
  static void load();
  /// The name of the boolean property whose write makes the driver refresh the node.
  static const std::string& refreshPropertyName();

  std::string className() const override { return "TKSIORegistrySensorEntry"; }

  /// "sensor-id"; -1 when it is missing or no number (so for every control node).
  std::int32_t sensorIdentificationNumber() const;
  std::optional<std::string> locationIdentification() const;
  std::optional<std::string> sensorTypeName() const;
  /// The reading after asking the driver to refresh; a negative reading is read once more, and
  /// -1 stands for no reading.
  std::int32_t sensorValue() const;
  /// "current-value" as the node holds it, negative values included; -1 when missing.
  std::int32_t unenforcedSensorValue() const;

 private:
  explicit TKSIORegistrySensorEntry(os::io_object_t handle) : TKSIORegistryEntry(handle) {}
};

}  // namespace sw
