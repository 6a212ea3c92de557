// The objects behind I/O Kit plug-in interfaces. All interfaces of one object share its one
// reference count, which the simulated kernel holds like any other handle, so that a plug-in or
// an interface that is never released shows up in the held-reference report.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "os/PlugInInterface.h"
#include "sim/RegistryEntry.h"

namespace sw::sim {

class KernelObjectTable;

class PlugInObject {
 public:
  virtual ~PlugInObject() = default;

  /// The interface that IOCreatePlugInInterfaceForService hands out.
  virtual os::IOCFPlugInInterface* plugInInterface() = 0;
  /// The interface for an identifier, without a new reference; nullptr when there is none.
  virtual os::IUnknownInterface* interfaceFor(const os::CFUUIDBytes& interfaceID) = 0;

  os::HRESULT queryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut);
  std::uint32_t addRef();
  /// Gives back one reference; the last one destroys the object.
  std::uint32_t release();

 private:
  friend class KernelObjectTable;
  KernelObjectTable* table_ = nullptr;
  os::io_object_t handle_ = 0;
};

/// One interface of a plug-in object: the IUnknown part forwards to the object.
template <class Interface>
class PlugInInterfaceOf : public Interface {
 public:
  explicit PlugInInterfaceOf(PlugInObject& owner) : owner_(owner) {}
  os::HRESULT QueryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut) override {
    return owner_.queryInterface(interfaceID, interfaceOut);
  }
  std::uint32_t AddRef() override { return owner_.addRef(); }
  std::uint32_t Release() override { return owner_.release(); }

 protected:
  PlugInObject& owner_;
};

/// Makes the plug-in of a service for an interface type, or nullptr when the service has none.
using PlugInFactory =
    std::function<std::unique_ptr<PlugInObject>(const RegistryEntry& service, const os::CFUUIDBytes& interfaceType)>;
using PlugInFactoryTable = std::map<os::CFUUIDBytes, PlugInFactory>;

/// The plug-in types that every simulated machine offers, by plug-in type identifier.
PlugInFactoryTable builtInPlugInFactories();

}  // namespace sw::sim
