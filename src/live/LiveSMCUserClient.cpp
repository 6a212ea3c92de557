// The controller's driver on a running Linux machine: records answered from the applesmc files,
// at their byte offsets in host order. It only reads: a write, which could change fans or power, is refused.
#include "live/LiveSMCUserClient.h"

#include <algorithm>
#include <cstring>

#include "os/SMCRecordLayout.h"

namespace sw::live {

using namespace os::smcrecord;

os::kern_return_t LiveSMCUserClient::callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize,
                                                      void* output, std::size_t* outputSize) const {
  return exchangeRecords(selector, input, inputSize, output, outputSize,
                         [this](const std::uint8_t* in, std::uint8_t* out) { return answer(in, out); });
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
