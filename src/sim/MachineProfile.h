// A machine profile read and checked: everything the simulated Mac answers, in the form it
// answers it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Value.h"
#include "sim/ClassHierarchy.h"
#include "sim/RegistryEntry.h"
#include "sim/SysctlTable.h"

namespace sw::sim {

struct MachineProfile {
  /// Reads the profile's root dictionary; throws ProfileError naming the entry path and problem.
  static MachineProfile read(const Value& profile);

  std::string profileName;
  SysctlTable sysctl;
  std::int32_t cpuType = 0;
  std::int32_t cpuSubtype = 0;
  std::optional<std::array<std::uint8_t, 16>> hostUUID;
  std::optional<std::string> computerName;
  std::map<std::string, Data, std::less<>> files;
  Array processes;
  Dictionary defaults;
  ClassHierarchy classes;
  std::unique_ptr<RegistryEntry> serviceRoot;     // the IOService plane
  std::unique_ptr<RegistryEntry> deviceTreeRoot;  // the IODeviceTree plane; none when not described
};

}  // namespace sw::sim
