// The simulated SMC driver. Records are read and written at their byte offsets in host order,
// independently of the client's own record declaration, so each checks the other.
#include "sim/SMCUserClient.h"

#include <algorithm>
#include <cstring>

#include "foundation/ProcessWide.h"
#include "os/SMCRecordLayout.h"

namespace sw::sim {

using namespace os::smcrecord;

namespace {

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
  return exchangeRecords(selector, input, inputSize, output, outputSize,
                         [this](const std::uint8_t* in, std::uint8_t* out) {
                           const os::kern_return_t result = answer(in, out);
                           if (result != os::kIOReturnSuccess) ++counts_->failed;
                           return result;
                         });
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
