// Produces the kinfo_proc records of the simulated process table.
#include "sim/ProcessTable.h"

#include <algorithm>
#include <cstdint>

#include "foundation/ByteOrder.h"

namespace sw::sim {
namespace {

// The 32-bit kinfo_proc: kp_proc.p_pid, kp_proc.p_comm (16 characters and a zero) and
// kp_eproc.e_ucred.cr_uid, little-endian like the Intel kernel writes them.
constexpr std::size_t kRecordSize = 492;
constexpr std::size_t kProcessIDOffset = 24;
constexpr std::size_t kCommandOffset = 163;
constexpr std::size_t kCommandLength = 16;
constexpr std::size_t kEffectiveUserIDOffset = 304;

std::uint32_t wordOf(const Value& process, std::string_view key) {
  const Value* number = process.find(key);
  const auto integer = number ? number->asInteger() : std::nullopt;
  return static_cast<std::uint32_t>(integer.value_or(0));
}

}  // namespace

Data processTableRecords(const Array& processes) {
  Data table(processes.size() * kRecordSize, 0);
  std::uint8_t* record = table.data();
  for (const Value& process : processes) {
    storeLittleEndian32(record + kProcessIDOffset, wordOf(process, "pid"));
    storeLittleEndian32(record + kEffectiveUserIDOffset, wordOf(process, "uid"));
    const Value* command = process.find("comm");
    const std::string* name = command ? command->asString() : nullptr;
    if (name) std::copy_n(name->begin(), std::min(name->size(), kCommandLength), record + kCommandOffset);
    record += kRecordSize;
  }
  return table;
}

}  // namespace sw::sim
