// The user's idle time from the HID system's registry entry, which is found once and kept.
#include "smart/UserIdleTime.h"

#include <memory>

#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "os/Host.h"
#include "os/SystemLog.h"

namespace sw::smart {
namespace {

constexpr std::string_view kIdleTimeKey = "HIDIdleTime";
constexpr int kBigEndianByteOrder = 4321;

/// Made on first use, after the machine: it holds a kernel reference that must go back to the
/// machine before the machine goes at process exit.
std::shared_ptr<TKSIORegistryEntry>& hidSystemEntry() {
  static ProcessWide<std::shared_ptr<TKSIORegistryEntry>> entry;
  return entry.get();
}

bool isIdleTimeKind(const Value& value) { return value.isNumber() || value.asData() != nullptr; }

std::optional<Value> idleTimeProperty(const TKSIORegistryEntry& entry) {
  std::optional<Dictionary> properties = entry.properties();
  const Value* value = properties ? valueForKey(*properties, kIdleTimeKey) : nullptr;
  return value != nullptr ? std::optional<Value>(*value) : std::nullopt;
}

/// The single HID system entry; found again at every call until one qualifies to be kept.
std::shared_ptr<TKSIORegistryEntry> hidSystem() {
  std::shared_ptr<TKSIORegistryEntry>& cached = hidSystemEntry();
  if (cached) return cached;
  RegistryEntryList entries = TKSIORegistryEntry::serviceObjectsMatchingName("IOHIDSystem").value_or(RegistryEntryList{});
  if (entries.size() != 1) {
    os::systemLog(stringWithFormat("Found %u entries for the HID subsystem, ignoring all...\n", entries.size()));
    return nullptr;
  }
  std::optional<Value> idleTime = idleTimeProperty(*entries.front());
  if (idleTime && isIdleTimeKind(*idleTime)) cached = entries.front();
  return entries.front();
}

/// The data bytes were written by the machine in its own byte order.
std::uint64_t machineOrderWord(const Data& bytes) {
  int byteOrder = 0;
  std::size_t size = sizeof byteOrder;
  const bool bigEndian = os::sysctlbyname("hw.byteorder", &byteOrder, &size, nullptr, 0) == 0 &&
                         byteOrder == kBigEndianByteOrder;
  if (!bigEndian) return loadLittleEndian(bytes.data(), bytes.size());
  std::uint64_t value = 0;
  for (std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

}  // namespace

std::uint64_t userIdleTime() {
  std::shared_ptr<TKSIORegistryEntry> entry = hidSystem();
  if (!entry) return 0;
  std::optional<Value> idleTime = idleTimeProperty(*entry);
  if (!idleTime) return 0;
  if (idleTime->kind() == Value::Kind::Integer) return static_cast<std::uint64_t>(*idleTime->asInteger());
  if (idleTime->kind() == Value::Kind::Real) return clampToInteger<std::uint64_t>(*idleTime->asReal());
  if (const Data* bytes = idleTime->asData(); bytes != nullptr && bytes->size() == sizeof(std::uint64_t)) {
    return machineOrderWord(*bytes);
  }
  os::systemLog(stringWithFormat("HID subsystem entry does not contain expected class (is %@).\n",
                                 kindName(idleTime->kind())));
  return 0;
}

}  // namespace sw::smart
