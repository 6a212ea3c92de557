// The 80-byte record that the controller's driver and its clients exchange, as the driver side
// sees it: fields at fixed byte offsets in host order. Every backend's SMC driver reads and writes
// records through these, independently of the client's own record declaration, so that each
// checks the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "os/IOKitTypes.h"

namespace sw::os::smcrecord {

constexpr std::uint32_t kStructMethod = 2;  // the user client's one method
constexpr std::size_t kRecordSize = 80;
constexpr std::size_t kKeyOffset = 0;
constexpr std::size_t kDataSizeOffset = 28;
constexpr std::size_t kDataTypeOffset = 32;
constexpr std::size_t kDataAttributesOffset = 36;
constexpr std::size_t kCommandOffset = 42;
constexpr std::size_t kParameterOffset = 44;
constexpr std::size_t kBytesOffset = 48;
constexpr std::size_t kBytesSize = 32;

constexpr std::uint8_t kReadBytes = 5;
constexpr std::uint8_t kWriteBytes = 6;
constexpr std::uint8_t kReadIndex = 8;
constexpr std::uint8_t kReadKeyInfo = 9;
// What the listings show for ordinary keys: readable by the system.
constexpr std::uint8_t kDefaultAttributes = 0x80;

inline std::uint32_t readUInt32(const std::uint8_t* record, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

inline void writeUInt32(std::uint8_t* record, std::size_t offset, std::uint32_t value) {
  std::memcpy(record + offset, &value, sizeof value);
}

/// One call of the user client's method as a driver takes it: the selector and both record sizes
/// checked, the input copied first (a caller may pass one record as input and output), and the
/// output written only when answer(in, out) succeeds.
template <typename Answer>
kern_return_t exchangeRecords(std::uint32_t selector, const void* input, std::size_t inputSize, void* output,
                              std::size_t* outputSize, Answer&& answer) {
  if (selector != kStructMethod) return kIOReturnUnsupported;
  if (input == nullptr || output == nullptr || outputSize == nullptr || inputSize != kRecordSize ||
      *outputSize < kRecordSize) {
    return kIOReturnBadArgument;
  }
  std::uint8_t in[kRecordSize];
  std::memcpy(in, input, kRecordSize);
  std::uint8_t out[kRecordSize] = {};
  const kern_return_t result = answer(in, out);
  if (result != kIOReturnSuccess) return result;
  std::memcpy(output, out, kRecordSize);
  *outputSize = kRecordSize;
  return result;
}

}  // namespace sw::os::smcrecord
