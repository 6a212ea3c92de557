// The ATA S.M.A.R.T. user client of a live disk: the plug-in object that
// IOCreatePlugInInterfaceForService hands out for it, with the plug-in interface and the
// S.M.A.R.T. interface sharing one reference count. Each call sends the disk its command.
// The live machine only reads: it never switches a disk's S.M.A.R.T. features on or off, so
// enabling succeeds where the disk already has them on and is refused otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "live/LiveDisk.h"
#include "os/PlugInInterface.h"

namespace sw::live {

class LiveSMARTPlugIn {
 public:
  /// `lastRelease` runs when the last reference goes, and may destroy the object.
  LiveSMARTPlugIn(std::shared_ptr<LiveDisk> disk, std::function<void(LiveSMARTPlugIn*)> lastRelease);

  os::IOCFPlugInInterface* plugInInterface() { return &plugIn_; }
  const LiveDisk& disk() const { return *disk_; }
  std::uint32_t references() const { return references_; }
  std::uint32_t release();

 private:
  os::HRESULT queryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut);
  std::uint32_t addRef() { return ++references_; }

  template <class Interface>
  class Part : public Interface {
   public:
    explicit Part(LiveSMARTPlugIn& owner) : owner_(owner) {}
    os::HRESULT QueryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut) override {
      return owner_.queryInterface(interfaceID, interfaceOut);
    }
    std::uint32_t AddRef() override { return owner_.addRef(); }
    std::uint32_t Release() override { return owner_.release(); }

   protected:
    LiveSMARTPlugIn& owner_;
  };

  class SMART : public Part<os::IOATASMARTInterface> {
   public:
    using Part::Part;
    os::IOReturn SMARTEnableDisableOperations(bool enable) override;
    os::IOReturn SMARTEnableDisableAutosave(bool enable) override;
    os::IOReturn SMARTReturnStatus(bool* exceededCondition) override;
    os::IOReturn SMARTReadData(os::ATASMARTData* data) override;
    os::IOReturn SMARTReadDataThresholds(os::ATASMARTDataThresholds* thresholds) override;
    os::IOReturn GetATAIdentifyData(void* buffer, std::uint32_t inByteCount, std::uint32_t* outByteCount) override;
  };

  std::shared_ptr<LiveDisk> disk_;
  std::function<void(LiveSMARTPlugIn*)> lastRelease_;
  std::uint32_t references_ = 1;
  Part<os::IOCFPlugInInterface> plugIn_{*this};
  SMART smart_{*this};
};

}  // namespace sw::live
