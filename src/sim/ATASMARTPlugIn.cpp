// The answers of a simulated disk to the ATA S.M.A.R.T. commands.
#include "sim/ATASMARTPlugIn.h"

#include <algorithm>
#include <cstring>

namespace sw::sim {
namespace {
// What the driver answers when the drive reports an error for a command.
constexpr os::IOReturn kDriveError = os::kIOReturnError;
}  // namespace

ATASMARTPlugIn::ATASMARTPlugIn(const SMARTDrive& drive) : smart_(*this, drive) {}

std::unique_ptr<PlugInObject> ATASMARTPlugIn::create(const RegistryEntry& service,
                                                     const os::CFUUIDBytes& interfaceType) {
  const std::optional<SMARTDrive>& drive = service.instructions.smart;
  if (!drive || interfaceType != os::kIOCFPlugInInterfaceID || drive->fails(SMARTOperation::Open)) return nullptr;
  return std::make_unique<ATASMARTPlugIn>(*drive);
}

os::IUnknownInterface* ATASMARTPlugIn::interfaceFor(const os::CFUUIDBytes& interfaceID) {
  if (interfaceID == os::kIOATASMARTInterfaceID) return &smart_;
  if (interfaceID == os::kIOCFPlugInInterfaceID) return &plugIn_;
  return nullptr;
}

bool ATASMARTPlugIn::Interface::accept(SMARTOperation operation) const {
  ++drive_.commandsReceived;
  return !drive_.fails(operation);
}

os::IOReturn ATASMARTPlugIn::Interface::SMARTEnableDisableOperations(bool) {
  return accept(SMARTOperation::Enable) ? os::kIOReturnSuccess : kDriveError;
}

os::IOReturn ATASMARTPlugIn::Interface::SMARTEnableDisableAutosave(bool) {
  return accept(SMARTOperation::Enable) ? os::kIOReturnSuccess : kDriveError;
}

os::IOReturn ATASMARTPlugIn::Interface::SMARTReturnStatus(bool* exceededCondition) {
  if (exceededCondition == nullptr) return os::kIOReturnBadArgument;
  if (!accept(SMARTOperation::Status)) return kDriveError;
  *exceededCondition = drive_.thresholdExceeded;
  return os::kIOReturnSuccess;
}

os::IOReturn ATASMARTPlugIn::Interface::SMARTReadData(os::ATASMARTData* data) {
  if (data == nullptr) return os::kIOReturnBadArgument;
  if (!accept(SMARTOperation::Data)) return kDriveError;
  const ATABlock block = drive_.dataBlock();
  std::memcpy(data->bytes, block.data(), block.size());
  return os::kIOReturnSuccess;
}

os::IOReturn ATASMARTPlugIn::Interface::SMARTReadDataThresholds(os::ATASMARTDataThresholds* thresholds) {
  if (thresholds == nullptr) return os::kIOReturnBadArgument;
  if (!accept(SMARTOperation::Thresholds)) return kDriveError;
  const ATABlock block = drive_.thresholdBlock();
  std::memcpy(thresholds->bytes, block.data(), block.size());
  return os::kIOReturnSuccess;
}

os::IOReturn ATASMARTPlugIn::Interface::GetATAIdentifyData(void* buffer, std::uint32_t inByteCount,
                                                             std::uint32_t* outByteCount) {
  if (buffer == nullptr) return os::kIOReturnBadArgument;
  if (!accept(SMARTOperation::Identify)) return kDriveError;
  const ATABlock block = drive_.identifyBlock();
  const std::size_t count = std::min<std::size_t>(inByteCount, block.size());
  std::memcpy(buffer, block.data(), count);
  if (outByteCount != nullptr) *outByteCount = static_cast<std::uint32_t>(count);
  return os::kIOReturnSuccess;
}

}  // namespace sw::sim
