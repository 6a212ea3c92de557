// Who the live machine is: model, serial number, board and boot ROM from the firmware's DMI
// table, the kernel from /proc/sys/kernel, the processor from /proc/cpuinfo and cpufreq, memory
// from /proc/meminfo and the distribution from os-release, in the shapes the plug-in asks for
// them (sysctl names, host_info, registry properties, SystemVersion.plist).
#pragma once

#include <optional>
#include <string>

#include "foundation/Value.h"
#include "live/LiveFiles.h"

namespace sw::live {

struct LiveIdentity {
  Dictionary sysctl;          // name → integer or string, as a profile's Sysctl
  Dictionary hostInfo;        // cpu_type, cpu_subtype
  Dictionary files;           // path → contents, as a profile's Files
  Dictionary platformExpert;  // the properties of the IOPlatformExpertDevice entry
  Dictionary deviceTree;      // the IODeviceTree plane's root entry with its children
  std::optional<std::string> hostUUID;
  std::optional<std::string> computerName;
  std::string profileName;

  static LiveIdentity read(LiveFiles& files);
};

/// The SystemVersion.plist contents that stand for the distribution described by an
/// os-release text: its name, its version number and its build.
Dictionary systemVersionFromOSRelease(std::string_view osRelease);

}  // namespace sw::live
