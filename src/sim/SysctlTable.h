// The kernel's sysctl values of a simulated machine, with the sizes and buffer rules of the
// real calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw::sim {

class SysctlTable {
 public:
  /// Reads the profile's name → integer, string or data dictionary; throws ProfileError below `path`.
  static SysctlTable parse(const Value& names, const std::string& path);

  /// The dotted name of a numeric MIB such as {CTL_HW, HW_NCPU}; nothing for an unknown one.
  static std::optional<std::string_view> nameForMIB(const int* mib, unsigned length);

  /// sysctlbyname: 0, or -1 with errno (ENOENT, ENOMEM with the needed size, ERANGE, EPERM).
  int query(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue) const;

  /// An integer value, for the facts that host_info reports.
  std::optional<std::int64_t> integer(std::string_view name) const;

 private:
  struct Entry {
    Data bytes;                       // as the kernel copies them out (strings with their zero)
    std::optional<std::int64_t> number;
    bool fitsShortBuffer = false;     // a 64-bit value the kernel also hands to a 4-byte buffer
  };
  std::map<std::string, Entry, std::less<>> entries_;
};

/// Copies fixed bytes out as sysctl does: the size only for a null buffer, ENOMEM and the needed
/// size for a short one. Shared by every sysctl answer of the simulator.
int copySysctlBytes(const Data& bytes, void* oldValue, std::size_t* oldLength);

}  // namespace sw::sim
