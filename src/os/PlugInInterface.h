// The I/O Kit plug-in interface mechanism: a service hands out a plug-in object, which is asked
// for a typed interface by identifier. Interfaces are reference counted like their C originals.
#pragma once

#include <cstdint>

#include "os/IOKitTypes.h"

namespace sw::os {

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80000004);

/// Base of every interface: QueryInterface hands out another interface of the same object with a
/// reference taken (Release it when done); Release on the last reference frees the object.
class IUnknownInterface {
 public:
  virtual HRESULT QueryInterface(const CFUUIDBytes& interfaceID, void** interfaceOut) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknownInterface() = default;
};

/// The plug-in object that IOCreatePlugInInterfaceForService gives; destroyed with
/// IODestroyPlugInInterface.
class IOCFPlugInInterface : public IUnknownInterface {};

// kIOCFPlugInInterfaceID: C244E858-109C-11D4-91D4-0050E4C6426F
constexpr CFUUIDBytes kIOCFPlugInInterfaceID = {0xC2, 0x44, 0xE8, 0x58, 0x10, 0x9C, 0x11, 0xD4,
                                                0x91, 0xD4, 0x00, 0x50, 0xE4, 0xC6, 0x42, 0x6F};
// kIOATASMARTUserClientTypeID: 24514B7A-2804-11D6-8A02-003065704866
constexpr CFUUIDBytes kIOATASMARTUserClientTypeID = {0x24, 0x51, 0x4B, 0x7A, 0x28, 0x04, 0x11, 0xD6,
                                                     0x8A, 0x02, 0x00, 0x30, 0x65, 0x70, 0x48, 0x66};
// kIOATASMARTInterfaceID: 08ABE21C-20D4-11D6-8DF6-0003935A76B2
constexpr CFUUIDBytes kIOATASMARTInterfaceID = {0x08, 0xAB, 0xE2, 0x1C, 0x20, 0xD4, 0x11, 0xD6,
                                                0x8D, 0xF6, 0x00, 0x03, 0x93, 0x5A, 0x76, 0xB2};

/// The 512-byte blocks of the ATA S.M.A.R.T. commands, as the drive sends them.
struct ATASMARTData {
  std::uint8_t bytes[512];
};
struct ATASMARTDataThresholds {
  std::uint8_t bytes[512];
};

/// The ATA S.M.A.R.T. user client. Every call answers kIOReturnSuccess or an I/O Kit error.
class IOATASMARTInterface : public IUnknownInterface {
 public:
  virtual IOReturn SMARTEnableDisableOperations(bool enable) = 0;
  virtual IOReturn SMARTEnableDisableAutosave(bool enable) = 0;
  /// Sets *exceededCondition when the drive reports a threshold exceeded.
  virtual IOReturn SMARTReturnStatus(bool* exceededCondition) = 0;
  virtual IOReturn SMARTReadData(ATASMARTData* data) = 0;
  virtual IOReturn SMARTReadDataThresholds(ATASMARTDataThresholds* thresholds) = 0;
  /// Copies at most inByteCount bytes of the 512-byte IDENTIFY block; *outByteCount says how many.
  virtual IOReturn GetATAIdentifyData(void* buffer, std::uint32_t inByteCount,
                                      std::uint32_t* outByteCount) = 0;
};

}  // namespace sw::os
