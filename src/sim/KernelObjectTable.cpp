// Handles and reference counts of the simulated kernel.
#include "sim/KernelObjectTable.h"

#include <fmt/format.h>

namespace sw::sim {

os::io_object_t KernelObjectTable::add(std::string description, Payload payload) {
  // Handles are never reused, so that a stale handle can always be told from a live one.
  os::io_object_t handle = nextHandle_;
  nextHandle_ += 4;
  objects_.emplace(handle, std::make_unique<Object>(Object{1, std::move(description), std::move(payload)}));
  return handle;
}

KernelObjectTable::Object* KernelObjectTable::find(os::io_object_t handle) const {
  auto found = objects_.find(handle);
  return found == objects_.end() ? nullptr : found->second.get();
}

os::io_object_t KernelObjectTable::referenceEntry(RegistryEntry* entry) {
  if (auto held = entryHandles_.find(entry); held != entryHandles_.end()) {
    ++find(held->second)->references;
    return held->second;
  }
  os::io_object_t handle = add(fmt::format("object {} ({})", entry->path(), entry->className), entry);
  entryHandles_.emplace(entry, handle);
  return handle;
}

os::io_iterator_t KernelObjectTable::addIterator(std::vector<RegistryEntry*> entries) {
  std::string description = fmt::format("iterator over {} entries", entries.size());
  return add(std::move(description), std::make_unique<IteratorState>(IteratorState{std::move(entries)}));
}

os::io_connect_t KernelObjectTable::addConnection(RegistryEntry* service, std::unique_ptr<UserClient> client) {
  std::string description = fmt::format("connection to {}", service->path());
  return add(std::move(description), std::make_unique<Connection>(Connection{service, std::move(client)}));
}

os::io_object_t KernelObjectTable::addPlugIn(RegistryEntry* service, std::unique_ptr<PlugInObject> plugIn) {
  PlugInObject* object = plugIn.get();
  os::io_object_t handle = add(fmt::format("plug-in of {}", service->path()), std::move(plugIn));
  object->table_ = this;
  object->handle_ = handle;
  return handle;
}

os::kern_return_t KernelObjectTable::retain(os::io_object_t handle) {
  Object* object = find(handle);
  if (object == nullptr) return os::kIOReturnBadArgument;
  ++object->references;
  return os::kIOReturnSuccess;
}

os::kern_return_t KernelObjectTable::release(os::io_object_t handle) {
  auto found = objects_.find(handle);
  if (found == objects_.end()) {
    misuse_.push_back(handle == 0 ? "release of handle 0"
                                  : fmt::format("release of 0x{:x}, which holds no reference any more", handle));
    return os::kIOReturnBadArgument;
  }
  if (--found->second->references > 0) return os::kIOReturnSuccess;
  if (auto* entry = std::get_if<RegistryEntry*>(&found->second->payload)) entryHandles_.erase(*entry);
  // Unlink first: destroying a plug-in may run code that looks at the table.
  std::unique_ptr<Object> dying = std::move(found->second);
  objects_.erase(found);
  return os::kIOReturnSuccess;
}

std::uint32_t KernelObjectTable::referenceCount(os::io_object_t handle) const {
  Object* object = find(handle);
  return object == nullptr ? 0 : object->references;
}

RegistryEntry* KernelObjectTable::entry(os::io_object_t handle) const {
  Object* object = find(handle);
  if (object == nullptr) return nullptr;
  if (auto* entry = std::get_if<RegistryEntry*>(&object->payload)) return *entry;
  return nullptr;
}

IteratorState* KernelObjectTable::iterator(os::io_object_t handle) const {
  Object* object = find(handle);
  if (object == nullptr) return nullptr;
  if (auto* state = std::get_if<std::unique_ptr<IteratorState>>(&object->payload)) return state->get();
  return nullptr;
}

Connection* KernelObjectTable::connection(os::io_object_t handle) const {
  Object* object = find(handle);
  if (object == nullptr) return nullptr;
  if (auto* connection = std::get_if<std::unique_ptr<Connection>>(&object->payload)) return connection->get();
  return nullptr;
}

os::io_object_t KernelObjectTable::plugInHandle(const os::IOCFPlugInInterface* plugIn) const {
  for (const auto& [handle, object] : objects_) {
    auto* owner = std::get_if<std::unique_ptr<PlugInObject>>(&object->payload);
    if (owner != nullptr && (*owner)->plugInInterface() == plugIn) return handle;
  }
  return 0;
}

std::size_t KernelObjectTable::heldReferenceCount() const {
  std::size_t count = 0;
  for (const auto& [handle, object] : objects_) count += object->references;
  return count;
}

std::string KernelObjectTable::heldReferenceReport() const {
  std::string report;
  for (const auto& [handle, object] : objects_) {
    report += fmt::format("0x{:x} {}: {} reference{}\n", handle, object->description, object->references,
                          object->references == 1 ? "" : "s");
  }
  return report;
}

}  // namespace sw::sim
