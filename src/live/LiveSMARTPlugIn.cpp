// The live disk's S.M.A.R.T. calls: each one command, answered with the driver's error codes.
#include "live/LiveSMARTPlugIn.h"

#include <algorithm>
#include <cstring>

namespace sw::live {

LiveSMARTPlugIn::LiveSMARTPlugIn(std::shared_ptr<LiveDisk> disk, std::function<void(LiveSMARTPlugIn*)> lastRelease)
    : disk_(std::move(disk)), lastRelease_(std::move(lastRelease)) {}

os::HRESULT LiveSMARTPlugIn::queryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut) {
  if (interfaceOut == nullptr) return os::E_NOINTERFACE;
  os::IUnknownInterface* found = interfaceID == os::kIOATASMARTInterfaceID ? static_cast<os::IUnknownInterface*>(&smart_)
                                 : interfaceID == os::kIOCFPlugInInterfaceID ? static_cast<os::IUnknownInterface*>(&plugIn_)
                                                                             : nullptr;
  *interfaceOut = found;
  if (found == nullptr) return os::E_NOINTERFACE;
  addRef();
  return os::S_OK;
}

std::uint32_t LiveSMARTPlugIn::release() {
  // A release past the last reference is the caller's fault; the object is already gone then,
  // so the count never wraps here.
  const std::uint32_t remaining = references_ - 1;
  references_ = remaining;
  if (remaining == 0) {
    // The hook may destroy this object, itself included, so it runs from a copy on the stack.
    const std::function<void(LiveSMARTPlugIn*)> lastRelease = lastRelease_;
    lastRelease(this);
  }
  return remaining;
}

os::IOReturn LiveSMARTPlugIn::SMART::SMARTEnableDisableOperations(bool enable) {
  return enable && owner_.disk_->smartEnabled() ? os::kIOReturnSuccess : os::kIOReturnNotPrivileged;
}

os::IOReturn LiveSMARTPlugIn::SMART::SMARTEnableDisableAutosave(bool enable) {
  return enable && owner_.disk_->smartEnabled() ? os::kIOReturnSuccess : os::kIOReturnNotPrivileged;
}

os::IOReturn LiveSMARTPlugIn::SMART::SMARTReturnStatus(bool* exceededCondition) {
  if (exceededCondition == nullptr) return os::kIOReturnBadArgument;
  const std::optional<bool> exceeded = owner_.disk_->thresholdExceeded();
  if (!exceeded) return os::kIOReturnError;
  *exceededCondition = *exceeded;
  return os::kIOReturnSuccess;
}

os::IOReturn LiveSMARTPlugIn::SMART::SMARTReadData(os::ATASMARTData* data) {
  if (data == nullptr) return os::kIOReturnBadArgument;
  ATABlock block{};
  if (!owner_.disk_->readData(block)) return os::kIOReturnError;
  std::memcpy(data->bytes, block.data(), block.size());
  return os::kIOReturnSuccess;
}

os::IOReturn LiveSMARTPlugIn::SMART::SMARTReadDataThresholds(os::ATASMARTDataThresholds* thresholds) {
  if (thresholds == nullptr) return os::kIOReturnBadArgument;
  ATABlock block{};
  if (!owner_.disk_->readThresholds(block)) return os::kIOReturnError;
  std::memcpy(thresholds->bytes, block.data(), block.size());
  return os::kIOReturnSuccess;
}

os::IOReturn LiveSMARTPlugIn::SMART::GetATAIdentifyData(void* buffer, std::uint32_t inByteCount,
                                                          std::uint32_t* outByteCount) {
  if (buffer == nullptr) return os::kIOReturnBadArgument;
  ATABlock block{};
  if (!owner_.disk_->identify(block)) return os::kIOReturnError;
  const std::size_t count = std::min<std::size_t>(inByteCount, block.size());
  std::memcpy(buffer, block.data(), count);
  if (outByteCount != nullptr) *outByteCount = static_cast<std::uint32_t>(count);
  return os::kIOReturnSuccess;
}

}  // namespace sw::live
