// The simulated SMC driver. Records are read and written at their byte offsets in host order,
// independently of the client's own record declaration, so each checks the other.
#include "sim/SMCUserClient.h"

#include <algorithm>
#include <cstring>

#include "foundation/ProcessWide.h"

namespace sw::sim {
namespace {

constexpr std::uint32_t kStructMethod = 2;
constexpr std::size_t kRecordSize = 80;
constexpr std::size_t kKeyOffset = 0;
constexpr std::size_t kDataSizeOffset = 28;
constexpr std::size_t kDataTypeOffset = 32;
constexpr std::size_t kDataAttributesOffset = 36;
constexpr std::size_t kCommandOffset = 42;
constexpr std::size_t kParameterOffset = 44;
constexpr std::size_t kBytesOffset = 48;
constexpr std::size_t kBytesSize = 32;

constexpr std::uint8_t kReadKeyInfo = 9;
constexpr std::uint8_t kReadBytes = 5;
constexpr std::uint8_t kReadIndex = 8;
// What the listings show for ordinary keys: readable by the system.
constexpr std::uint8_t kDefaultAttributes = 0x80;

std::uint32_t readUInt32(const std::uint8_t* record, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

void writeUInt32(std::uint8_t* record, std::size_t offset, std::uint32_t value) {
  std::memcpy(record + offset, &value, sizeof value);
}

std::vector<std::shared_ptr<const SMCCallCounts>>& countsRegistry() {
  static ProcessWide<std::vector<std::shared_ptr<const SMCCallCounts>>> registry;
  return registry.get();
}

}  // namespace

SMCUserClient::SMCUserClient(const SMCKeyTable& keys) : keys_(keys), counts_(std::make_shared<SMCCallCounts>()) {
  countsRegistry().push_back(counts_);
}

const std::vector<std::shared_ptr<const SMCCallCounts>>& SMCUserClient::connectionCounts() { return countsRegistry(); }

SMCCallCounts SMCUserClient::lastConnectionCounts() {
  return countsRegistry().empty() ? SMCCallCounts{} : *countsRegistry().back();
}

os::kern_return_t SMCUserClient::callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize,
                                                  void* output, std::size_t* outputSize) {
  if (selector != kStructMethod) return os::kIOReturnUnsupported;
  if (input == nullptr || output == nullptr || outputSize == nullptr || inputSize != kRecordSize ||
      *outputSize < kRecordSize) {
    return os::kIOReturnBadArgument;
  }
  std::uint8_t in[kRecordSize];
  std::memcpy(in, input, kRecordSize);  // the caller may pass the same record as input and output
  std::uint8_t out[kRecordSize] = {};
  os::kern_return_t result = answer(in, out);
  if (result != os::kIOReturnSuccess) {
    ++counts_->failed;
    return result;
  }
  std::memcpy(output, out, kRecordSize);
  *outputSize = kRecordSize;
  return result;
}

os::kern_return_t SMCUserClient::answer(const std::uint8_t* input, std::uint8_t* output) {
  std::uint8_t command = input[kCommandOffset];
  if (command == kReadIndex) {
    ++counts_->readIndex;
    const SMCKey* key = keys_.keyAtIndex(readUInt32(input, kParameterOffset));
    if (key == nullptr) return os::kIOReturnNotFound;
    writeUInt32(output, kKeyOffset, key->code);
    return os::kIOReturnSuccess;
  }
  if (command != kReadKeyInfo && command != kReadBytes) {
    ++counts_->otherCommands;
    return os::kIOReturnUnsupported;
  }
  ++(command == kReadKeyInfo ? counts_->readKeyInfo : counts_->readBytes);
  const SMCKey* key = keys_.keyWithCode(readUInt32(input, kKeyOffset));
  if (key == nullptr) return os::kIOReturnNotFound;
  if (key->fails) return os::kIOReturnError;
  writeUInt32(output, kKeyOffset, key->code);
  if (command == kReadKeyInfo) {
    writeUInt32(output, kDataSizeOffset, static_cast<std::uint32_t>(key->bytes.size()));
    writeUInt32(output, kDataTypeOffset, key->type);
    output[kDataAttributesOffset] = kDefaultAttributes;
    return os::kIOReturnSuccess;
  }
  Data bytes = key->currentBytes();
  std::copy_n(bytes.begin(), std::min(bytes.size(), kBytesSize), output + kBytesOffset);
  return os::kIOReturnSuccess;
}

}  // namespace sw::sim
