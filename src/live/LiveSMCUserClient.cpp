// The record is read and written at its byte offsets in host order, the layout the controller's
// driver and its clients share: key at 0, data size at 28, data type at 32, attributes at 36,
// command at 42, parameter (index) at 44, 32 value bytes at 48.
#include "live/LiveSMCUserClient.h"

#include <algorithm>
#include <cstring>

namespace sw::live {
namespace {

constexpr std::uint32_t kStructMethod = 2;
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
// The driver does not publish a key's attributes; every key it lists is readable by the system.
constexpr std::uint8_t kDefaultAttributes = 0x80;

std::uint32_t readUInt32(const std::uint8_t* record, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

void writeUInt32(std::uint8_t* record, std::size_t offset, std::uint32_t value) {
  std::memcpy(record + offset, &value, sizeof value);
}

}  // namespace

os::kern_return_t LiveSMCUserClient::callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize,
                                                      void* output, std::size_t* outputSize) const {
  if (selector != kStructMethod) return os::kIOReturnUnsupported;
  if (input == nullptr || output == nullptr || outputSize == nullptr || inputSize != kRecordSize ||
      *outputSize < kRecordSize) {
    return os::kIOReturnBadArgument;
  }
  std::uint8_t in[kRecordSize];
  std::memcpy(in, input, kRecordSize);  // the caller may pass the same record as input and output
  std::uint8_t out[kRecordSize] = {};
  os::kern_return_t result = answer(in, out);
  if (result != os::kIOReturnSuccess) return result;
  std::memcpy(output, out, kRecordSize);
  *outputSize = kRecordSize;
  return result;
}

os::kern_return_t LiveSMCUserClient::answer(const std::uint8_t* input, std::uint8_t* output) const {
  const std::uint8_t command = input[kCommandOffset];
  if (command == kWriteBytes) return os::kIOReturnNotPrivileged;
  if (command == kReadIndex) {
    const std::uint32_t index = readUInt32(input, kParameterOffset);
    if (index >= device_.keys().size()) return os::kIOReturnNotFound;
    writeUInt32(output, kKeyOffset, device_.keys()[index].code);
    return os::kIOReturnSuccess;
  }
  if (command != kReadKeyInfo && command != kReadBytes) return os::kIOReturnUnsupported;
  const AppleSMCKey* key = device_.keyWithCode(readUInt32(input, kKeyOffset));
  if (key == nullptr) return os::kIOReturnNotFound;
  writeUInt32(output, kKeyOffset, key->code);
  if (command == kReadKeyInfo) {
    writeUInt32(output, kDataSizeOffset, key->size);
    writeUInt32(output, kDataTypeOffset, key->type);
    output[kDataAttributesOffset] = kDefaultAttributes;
    return os::kIOReturnSuccess;
  }
  std::optional<Data> bytes = device_.read(*key);
  if (!bytes) return os::kIOReturnError;
  std::copy_n(bytes->begin(), std::min(bytes->size(), kBytesSize), output + kBytesOffset);
  return os::kIOReturnSuccess;
}

}  // namespace sw::live
