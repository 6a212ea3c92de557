// One entry of the simulated I/O Registry: its class, name, properties and the simulator's
// instructions for it, in one plane's tree.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "sim/SMARTDrive.h"
#include "sim/SMCKeyTable.h"
#include "sim/Signal.h"

namespace sw::sim {

/// What the profile's "@" keys ask of the simulator for an entry.
struct EntryInstructions {
  std::optional<SMCKeyTable> smcKeys;  // @SMCKeys: the entry is a System Management Controller
  std::optional<SMARTDrive> smart;     // @SMART: the disk's S.M.A.R.T. answers
  std::optional<std::string> driver;   // @Driver: a named driver behaviour
  // @Signals that name a field inside a driver's own record rather than a property; the driver
  // applies them when it refreshes the record.
  std::map<std::string, Signal, std::less<>> driverSignals;
};

struct RegistryEntry {
  std::string plane;       // "IOService" or "IODeviceTree"
  std::string className;
  std::string name;        // IORegistryEntryName, else the class name
  std::string location;    // IORegistryEntryLocation, "" when none
  Dictionary properties;
  std::map<std::string, Signal, std::less<>> signals;  // property name → its signal
  EntryInstructions instructions;
  Dictionary driverState;  // what a driver behaviour remembers between calls; never a property
  RegistryEntry* parent = nullptr;
  std::vector<std::unique_ptr<RegistryEntry>> children;

  /// A property as it reads now (a signal gives its current value); nothing when absent.
  std::optional<Value> property(std::string_view key) const;
  /// Every property as it reads now.
  Dictionary currentProperties() const;
  /// Replaces a property; the written value stays, whatever signal drove it before.
  void setProperty(std::string_view key, Value value);

  /// The child whose name, or "name@location", is the path component.
  RegistryEntry* childNamed(std::string_view component) const;
  /// "Plane:/a/b" as IORegistryEntryFromPath takes it.
  std::string path() const;
};

}  // namespace sw::sim
