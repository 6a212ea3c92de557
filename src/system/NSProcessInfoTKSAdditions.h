// What the plug-in asks the process-information object about the running system: the product
// name, version and build of the operating system (packed into a version code that callers
// compare numerically) and lookups in the kernel's process table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw {

class NSProcessInfoTKSAdditions {
 public:
  /// The code of a system whose version file is missing: 10.0.0.
  static constexpr std::int32_t kFallbackVersionCode = 0x1000;

  /// Reads the version file again and rebuilds the process-wide version record.
  static void updateVersionInfo();

  /// The packed version: 10.5.0 is 0x1050, 10.4.11 is 0x104B, 10.6.8 is 0x1068.
  static std::int32_t operatingSystemVersionCode();
  static std::string operatingSystemProductName();
  static std::string operatingSystemVersionNumberString();
  static std::string operatingSystemBuildCode();
  /// The platform's human-readable form, "Version 10.6.8 (Build 10K549)".
  static std::string operatingSystemVersionString();

  /// Packs a version number text ("10.6.8") into a version code; the major number defaults to
  /// 10, minor and third to 0, text after the third number is ignored.
  static std::int32_t versionCodeForVersionNumber(std::string_view versionNumber);

  /// The identifiers of the running processes whose 16-character command name matches the
  /// beginning of name, in table order; nothing for an empty name or an unreadable table.
  static std::optional<std::vector<std::int32_t>> identifiersForRunningProcessesNamed(std::string_view name);
  static bool isProcessRunningWithName(std::string_view name);
  /// The command name of the process; when effectiveUserID is given and the process exists,
  /// its effective user identifier is stored there. Nothing (and no store) when there is none.
  static std::optional<std::string> processNameForProcessIDGetEffectiveUserID(std::int32_t processID,
                                                                             std::uint32_t* effectiveUserID);
};

}  // namespace sw
