// The simulated ATA S.M.A.R.T. user client: the plug-in that IOCreatePlugInInterfaceForService
// hands out for a disk entry with @SMART, and its IOATASMARTInterface.
#pragma once

#include <memory>

#include "sim/PlugInObject.h"
#include "sim/SMARTDrive.h"

namespace sw::sim {

class ATASMARTPlugIn : public PlugInObject {
 public:
  /// The drive belongs to the registry entry, which outlives every plug-in of it.
  explicit ATASMARTPlugIn(const SMARTDrive& drive);

  /// The factory for kIOATASMARTUserClientTypeID: a plug-in for entries with @SMART asked for
  /// the plug-in interface, unless the drive's "open" fails.
  static std::unique_ptr<PlugInObject> create(const RegistryEntry& service, const os::CFUUIDBytes& interfaceType);

  os::IOCFPlugInInterface* plugInInterface() override { return &plugIn_; }
  os::IUnknownInterface* interfaceFor(const os::CFUUIDBytes& interfaceID) override;

 private:
  class Interface : public PlugInInterfaceOf<os::IOATASMARTInterface> {
   public:
    Interface(PlugInObject& owner, const SMARTDrive& drive) : PlugInInterfaceOf(owner), drive_(drive) {}
    os::IOReturn SMARTEnableDisableOperations(bool enable) override;
    os::IOReturn SMARTEnableDisableAutosave(bool enable) override;
    os::IOReturn SMARTReturnStatus(bool* exceededCondition) override;
    os::IOReturn SMARTReadData(os::ATASMARTData* data) override;
    os::IOReturn SMARTReadDataThresholds(os::ATASMARTDataThresholds* thresholds) override;
    os::IOReturn GetATAIdentifyData(void* buffer, std::uint32_t inByteCount, std::uint32_t* outByteCount) override;

   private:
    /// Counts the command; false when the drive fails it.
    bool accept(SMARTOperation operation) const;
    const SMARTDrive& drive_;
  };

  PlugInInterfaceOf<os::IOCFPlugInInterface> plugIn_{*this};
  Interface smart_;
};

}  // namespace sw::sim
