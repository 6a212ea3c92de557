// The processor's identification, read item by item from the kernel.
#include "cpu/TKSx86Info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "os/Host.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

constexpr std::string_view kItemPrefix = "machdep.cpu.";
// The full name lives in a 256-byte buffer: the prefix, the item name and the terminator.
constexpr std::size_t kMaximumItemNameLength = 243;
constexpr std::size_t kStringItemSize = 256;

std::optional<std::uint32_t> numericItem(const char* itemName) {
  std::uint32_t value = 0;
  std::size_t size = sizeof value;
  if (TKSx86Info::readCPUItem(itemName, &value, &size) != 0) return std::nullopt;
  return value;
}

std::uint8_t lowByteOfItem(const char* itemName) { return static_cast<std::uint8_t>(numericItem(itemName).value_or(0)); }

std::optional<std::string> stringItem(const char* itemName) {
  char buffer[kStringItemSize] = {};
  std::size_t size = sizeof buffer;
  if (TKSx86Info::readCPUItem(itemName, buffer, &size) != 0) return std::nullopt;
  const std::string_view text(buffer, strnlen(buffer, std::min(size, sizeof buffer)));
  if (validUTF8(text) != text) return std::nullopt;
  return std::string(text);
}

/// Reads the item only for a place to put it; a failed read stores 0.
void readItemInto(const char* itemName, std::uint8_t* place) {
  if (place) *place = lowByteOfItem(itemName);
}

}  // namespace

int TKSx86Info::readCPUItem(const char* itemName, void* buffer, std::size_t* size) {
  if (!itemName) {
    errno = EFAULT;
    return -1;
  }
  std::string name(kItemPrefix);
  name.append(itemName, strnlen(itemName, kMaximumItemNameLength));
  return os::sysctlbyname(name, buffer, size, nullptr, 0);
}

std::optional<std::string> TKSx86Info::cpuVendor() const { return stringItem("vendor"); }
std::optional<std::string> TKSx86Info::cpuBrand() const { return stringItem("brand_string"); }
std::uint8_t TKSx86Info::cpuFamily() const { return lowByteOfItem("family"); }
std::uint8_t TKSx86Info::cpuModel() const { return lowByteOfItem("model"); }
std::uint8_t TKSx86Info::cpuStepping() const { return lowByteOfItem("stepping"); }
std::uint32_t TKSx86Info::cpuSignature() const { return numericItem("signature").value_or(0); }

void TKSx86Info::getCoresPerPackageLogicalUnitsPerPackage(std::uint8_t* cores, std::uint8_t* logicalUnits) const {
  readItemInto("cores_per_package", cores);
  readItemInto("logical_per_package", logicalUnits);
}

void TKSx86Info::getAddressBitsPhysicalVirtual(std::uint8_t* physical, std::uint8_t* virtualBits) const {
  readItemInto("address_bits.physical", physical);
  readItemInto("address_bits.virtual", virtualBits);
}

std::uint8_t TKSx86Info::numberOfChipPackages() const {
  std::uint32_t packages = 0;
  std::size_t size = sizeof packages;
  if (os::sysctlbyname("hw.packages", &packages, &size, nullptr, 0) == 0) return static_cast<std::uint8_t>(packages);
  std::uint8_t cores = 0;
  std::uint8_t logicalUnits = 0;
  getCoresPerPackageLogicalUnitsPerPackage(&cores, &logicalUnits);
  std::uint32_t cpus = 0;
  TKSMachineInfo::sharedMachineInfo()->getNumberOfCPUsActivePhysical(&cpus, nullptr, nullptr);
  const std::uint32_t divisor = std::max(cores, logicalUnits);
  if (divisor == 0) return 1;
  // Fewer CPUs than one package holds (some disabled) still means one package, never none; the
  // floor comes after the cut to eight bits, so a quotient of 256 cannot end as none either.
  return std::max<std::uint8_t>(static_cast<std::uint8_t>(cpus / divisor), 1);
}

std::string TKSx86Info::description() const {
  std::uint8_t cores = 0;
  std::uint8_t logicalUnits = 0;
  std::uint8_t physicalBits = 0;
  std::uint8_t virtualBits = 0;
  getCoresPerPackageLogicalUnitsPerPackage(&cores, &logicalUnits);
  getAddressBitsPhysicalVirtual(&physicalBits, &virtualBits);
  const std::uint8_t packages = numberOfChipPackages();
  const std::uint32_t signature = cpuSignature();
  const std::uint8_t stepping = cpuStepping();
  const std::uint8_t model = cpuModel();
  const std::uint8_t family = cpuFamily();
  const auto brand = cpuBrand();
  const auto vendor = cpuVendor();
  return stringWithFormat(
      "Vendor code: '%@' Brand: '%@'\nFamily: %u Model: %u Stepping: %u Signature: %u Cores per Package: %u "
      "Units per Package: %u Packages: %u Physical Address Bits: %u Virtual Address Bits: %u\n",
      vendor, brand, family, model, stepping, signature, cores, logicalUnits, packages, physicalBits, virtualBits);
}

}  // namespace sw
