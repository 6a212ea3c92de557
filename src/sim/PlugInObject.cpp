// Reference counting of plug-in objects through the kernel object table.
#include "sim/PlugInObject.h"

#include "sim/ATASMARTPlugIn.h"
#include "sim/KernelObjectTable.h"

namespace sw::sim {

os::HRESULT PlugInObject::queryInterface(const os::CFUUIDBytes& interfaceID, void** interfaceOut) {
  if (interfaceOut == nullptr) return os::E_NOINTERFACE;
  os::IUnknownInterface* found = interfaceFor(interfaceID);
  if (found == nullptr) {
    *interfaceOut = nullptr;
    return os::E_NOINTERFACE;
  }
  addRef();
  *interfaceOut = found;
  return os::S_OK;
}

std::uint32_t PlugInObject::addRef() {
  table_->retain(handle_);
  return table_->referenceCount(handle_);
}

std::uint32_t PlugInObject::release() {
  std::uint32_t remaining = table_->referenceCount(handle_) - 1;
  table_->release(handle_);  // may destroy this object: nothing of it is touched afterwards
  return remaining;
}

PlugInFactoryTable builtInPlugInFactories() {
  return {{os::kIOATASMARTUserClientTypeID, &ATASMARTPlugIn::create}};
}

}  // namespace sw::sim
