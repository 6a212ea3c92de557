// The Intel processor of the running machine, as the kernel describes it under "machdep.cpu.":
// vendor, brand, family, model, stepping, signature, per-package counts, address widths and the
// number of processor packages. Holds nothing; every call asks the kernel afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace sw {

class TKSx86Info {
 public:
  static bool hasX86CPU() { return true; }

  /// Reads "machdep.cpu." followed by at most 243 characters of itemName with sysctlbyname:
  /// 0 on success, else -1 with errno; a null itemName fails with EFAULT.
  static int readCPUItem(const char* itemName, void* buffer, std::size_t* size);

  std::optional<std::string> cpuVendor() const;
  std::optional<std::string> cpuBrand() const;
  std::uint8_t cpuFamily() const;
  std::uint8_t cpuModel() const;
  std::uint8_t cpuStepping() const;
  std::uint32_t cpuSignature() const;
  /// Each pointer may be null, and its item is then not read; a failing item stores 0.
  void getCoresPerPackageLogicalUnitsPerPackage(std::uint8_t* cores, std::uint8_t* logicalUnits) const;
  void getAddressBitsPhysicalVirtual(std::uint8_t* physical, std::uint8_t* virtualBits) const;
  /// "hw.packages", else the CPU count divided by the larger per-package count; never 0 then.
  std::uint8_t numberOfChipPackages() const;

  std::string description() const;
};

}  // namespace sw
