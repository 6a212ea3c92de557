// sysctl names, numeric MIBs and the sizes of their values.
#include "sim/SysctlTable.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "os/Host.h"
#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

enum class Width { Int32, Int64, Int64AcceptingInt32Buffer };

// Everything not listed is an int. The hw values behind the kernel's generic number handler are
// 64-bit but also answer a 4-byte buffer when the value fits; plain quads do not.
constexpr std::pair<std::string_view, Width> kWideNames[] = {
    {"hw.memsize", Width::Int64AcceptingInt32Buffer},
    {"hw.cpufrequency", Width::Int64AcceptingInt32Buffer},
    {"hw.cpufrequency_min", Width::Int64AcceptingInt32Buffer},
    {"hw.cpufrequency_max", Width::Int64AcceptingInt32Buffer},
    {"hw.busfrequency", Width::Int64AcceptingInt32Buffer},
    {"hw.busfrequency_min", Width::Int64AcceptingInt32Buffer},
    {"hw.busfrequency_max", Width::Int64AcceptingInt32Buffer},
    {"hw.tbfrequency", Width::Int64AcceptingInt32Buffer},
    {"hw.l1icachesize", Width::Int64AcceptingInt32Buffer},
    {"hw.l1dcachesize", Width::Int64AcceptingInt32Buffer},
    {"hw.l2cachesize", Width::Int64AcceptingInt32Buffer},
    {"hw.l3cachesize", Width::Int64AcceptingInt32Buffer},
    {"hw.cachelinesize", Width::Int64AcceptingInt32Buffer},
    {"hw.pagesize", Width::Int64AcceptingInt32Buffer},
    {"machdep.cpu.feature_bits", Width::Int64},
    {"machdep.cpu.extfeature_bits", Width::Int64},
};

struct MIBName {
  int top;
  int second;
  std::string_view name;
};
constexpr MIBName kMIBNames[] = {
    {os::CTL_KERN, os::KERN_OSRELEASE, "kern.osrelease"},
    {os::CTL_KERN, os::KERN_VERSION, "kern.version"},
    {os::CTL_HW, os::HW_MACHINE, "hw.machine"},
    {os::CTL_HW, os::HW_MODEL, "hw.model"},
    {os::CTL_HW, os::HW_NCPU, "hw.ncpu"},
    {os::CTL_HW, os::HW_BYTEORDER, "hw.byteorder"},
    {os::CTL_HW, os::HW_PHYSMEM, "hw.physmem"},
    {os::CTL_HW, os::HW_PAGESIZE, "hw.pagesize"},
    {os::CTL_HW, os::HW_VECTORUNIT, "hw.vectorunit"},
    {os::CTL_HW, os::HW_BUS_FREQ, "hw.busfrequency"},
    {os::CTL_HW, os::HW_CPU_FREQ, "hw.cpufrequency"},
    {os::CTL_HW, os::HW_CACHELINE, "hw.cachelinesize"},
    {os::CTL_HW, os::HW_L1ICACHESIZE, "hw.l1icachesize"},
    {os::CTL_HW, os::HW_L1DCACHESIZE, "hw.l1dcachesize"},
    {os::CTL_HW, os::HW_L2CACHESIZE, "hw.l2cachesize"},
    {os::CTL_HW, os::HW_L3CACHESIZE, "hw.l3cachesize"},
    {os::CTL_HW, os::HW_MEMSIZE, "hw.memsize"},
    {os::CTL_HW, os::HW_AVAILCPU, "hw.availcpu"},
};

Width widthOf(std::string_view name) {
  for (const auto& [wide, width] : kWideNames) {
    if (wide == name) return width;
  }
  return Width::Int32;
}

Data nativeBytes(std::int64_t number, std::size_t size) {
  Data bytes(size);
  auto raw = static_cast<std::uint64_t>(number);
  for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<std::uint8_t>(raw >> (8 * index));
  return bytes;
}

}  // namespace

int copySysctlBytes(const Data& bytes, void* oldValue, std::size_t* oldLength) {
  if (oldLength == nullptr) {
    errno = EINVAL;
    return -1;
  }
  if (oldValue == nullptr) {
    *oldLength = bytes.size();
    return 0;
  }
  if (*oldLength < bytes.size()) {
    *oldLength = bytes.size();
    errno = ENOMEM;
    return -1;
  }
  if (!bytes.empty()) std::memcpy(oldValue, bytes.data(), bytes.size());
  *oldLength = bytes.size();
  return 0;
}

SysctlTable SysctlTable::parse(const Value& names, const std::string& path) {
  const Dictionary* values = names.asDictionary();
  if (values == nullptr) throw ProfileError(path, "must be a dictionary of sysctl names");
  SysctlTable table;
  for (const auto& [name, value] : *values) {
    Entry entry;
    std::string valuePath = path + "/" + name;
    if (const std::string* text = value.asString()) {
      entry.bytes.assign(text->begin(), text->end());
      entry.bytes.push_back(0);
    } else if (const Data* data = value.asData()) {
      entry.bytes = *data;
    } else if (value.kind() == Value::Kind::Integer) {
      std::int64_t number = *value.asInteger();
      Width width = widthOf(name);
      bool fits32 = number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::uint32_t>::max();
      if (width == Width::Int32 && !fits32) throw ProfileError(valuePath, "the value does not fit this 32-bit name");
      entry.bytes = nativeBytes(number, width == Width::Int32 ? 4 : 8);
      entry.number = number;
      entry.fitsShortBuffer = width == Width::Int64AcceptingInt32Buffer;
    } else {
      throw ProfileError(valuePath, "a sysctl value must be an integer, a string or data");
    }
    table.entries_.emplace(name, std::move(entry));
  }
  return table;
}

std::optional<std::string_view> SysctlTable::nameForMIB(const int* mib, unsigned length) {
  if (mib == nullptr || length != 2) return std::nullopt;
  for (const MIBName& known : kMIBNames) {
    if (known.top == mib[0] && known.second == mib[1]) return known.name;
  }
  return std::nullopt;
}

int SysctlTable::query(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue) const {
  auto found = entries_.find(name);
  if (found == entries_.end()) {
    errno = ENOENT;
    return -1;
  }
  if (newValue != nullptr) {
    errno = EPERM;
    return -1;
  }
  const Entry& entry = found->second;
  if (entry.fitsShortBuffer && oldValue != nullptr && oldLength != nullptr && *oldLength == 4) {
    std::int64_t number = *entry.number;
    if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max()) {
      errno = ERANGE;
      return -1;
    }
    return copySysctlBytes(nativeBytes(number, 4), oldValue, oldLength);
  }
  return copySysctlBytes(entry.bytes, oldValue, oldLength);
}

std::optional<std::int64_t> SysctlTable::integer(std::string_view name) const {
  auto found = entries_.find(name);
  if (found == entries_.end()) return std::nullopt;
  return found->second.number;
}

}  // namespace sw::sim
