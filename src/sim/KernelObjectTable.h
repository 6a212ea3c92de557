// The simulated kernel's handles: registry objects, iterators, connections and plug-ins, each
// with its reference count, so that leaks and double releases are caught instead of ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "os/IOKitTypes.h"
#include "sim/PlugInObject.h"
#include "sim/RegistryEntry.h"
#include "sim/UserClient.h"

namespace sw::sim {

struct IteratorState {
  std::vector<RegistryEntry*> entries;
  std::size_t next = 0;
};

struct Connection {
  RegistryEntry* service;
  std::unique_ptr<UserClient> client;
};

class KernelObjectTable {
 public:
  /// The entry's handle with one more reference; an entry has one handle while it is held.
  os::io_object_t referenceEntry(RegistryEntry* entry);
  /// New handles holding one reference each.
  os::io_iterator_t addIterator(std::vector<RegistryEntry*> entries);
  os::io_connect_t addConnection(RegistryEntry* service, std::unique_ptr<UserClient> client);
  os::io_object_t addPlugIn(RegistryEntry* service, std::unique_ptr<PlugInObject> plugIn);

  /// kIOReturnBadArgument for a handle that is not live.
  os::kern_return_t retain(os::io_object_t handle);
  /// kIOReturnBadArgument, and a note in misuse(), for a handle that is not live.
  os::kern_return_t release(os::io_object_t handle);
  std::uint32_t referenceCount(os::io_object_t handle) const;

  /// The live object behind a handle, or nullptr for a dead handle or one of another kind.
  RegistryEntry* entry(os::io_object_t handle) const;
  IteratorState* iterator(os::io_object_t handle) const;
  Connection* connection(os::io_object_t handle) const;
  /// The handle of the plug-in object that handed out this plug-in interface; 0 when none.
  os::io_object_t plugInHandle(const os::IOCFPlugInInterface* plugIn) const;

  std::size_t heldReferenceCount() const;
  std::string heldReferenceReport() const;
  /// One line per release of a handle that was not live since the last call; forgets them.
  std::vector<std::string> takeMisuse() { return std::exchange(misuse_, {}); }

 private:
  using Payload = std::variant<RegistryEntry*, std::unique_ptr<IteratorState>, std::unique_ptr<Connection>,
                               std::unique_ptr<PlugInObject>>;
  struct Object {
    std::uint32_t references = 1;
    std::string description;
    Payload payload;
  };
  os::io_object_t add(std::string description, Payload payload);
  Object* find(os::io_object_t handle) const;

  std::map<os::io_object_t, std::unique_ptr<Object>> objects_;
  std::map<const RegistryEntry*, os::io_object_t> entryHandles_;
  std::vector<std::string> misuse_;
  os::io_object_t nextHandle_ = 0x1003;
};

}  // namespace sw::sim
