// The backend contract of the OS layer: everything the plug-in asks of the machine it runs on.
// One implementation exists today, the simulated Mac (sim/); the process has one current machine.
//
// Reference counting follows the kernel: every call documented as "returns a reference" hands the
// caller one reference to the object, which the caller gives back with objectRelease. Calls that
// fail leave their out-parameters untouched unless said otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "os/IOKitTypes.h"
#include "os/PlugInInterface.h"

namespace sw::os {

class Machine {
 public:
  virtual ~Machine() = default;

  // ---- Registry objects and matching ----

  /// Finds the registered services whose class is, or derives from, matching["IOProviderClass"].
  /// Success: *iterator receives a reference to a new iterator (possibly yielding nothing).
  /// kIOReturnBadArgument when the dictionary names no class.
  virtual kern_return_t getMatchingServices(const Dictionary& matching, io_iterator_t* iterator) = 0;
  /// The next object of an iterator as a new reference, or 0 at the end or for a bad handle.
  virtual io_object_t iteratorNext(io_iterator_t iterator) = 0;
  /// kIOReturnBadArgument for a handle that is not live.
  virtual kern_return_t objectRetain(io_object_t object) = 0;
  /// Gives back one reference; the handle dies with its last one. kIOReturnBadArgument for a
  /// handle that is not live (a double release is reported, never undefined).
  virtual kern_return_t objectRelease(io_object_t object) = 0;
  /// The object's class name; kIOReturnBadArgument for a dead handle.
  virtual kern_return_t objectGetClass(io_object_t object, std::string* className) = 0;
  /// Whether the object's class is the named class or derives from it; false for a dead handle.
  virtual bool objectConformsTo(io_object_t object, std::string_view className) = 0;

  // ---- Registry entries ----

  /// The entry's name in the plane (its IORegistryEntryName, else its class name).
  /// kIOReturnBadArgument for a dead handle or a null *name; *name is then untouched.
  virtual kern_return_t registryEntryGetName(io_registry_entry_t entry, std::string* name) = 0;
  /// A snapshot of all properties; kIOReturnBadArgument for a dead handle.
  virtual kern_return_t registryEntryCreateProperties(io_registry_entry_t entry, Dictionary* properties) = 0;
  /// One property as it is at the moment of the call; nothing when absent or the handle is dead.
  virtual std::optional<Value> registryEntryCreateProperty(io_registry_entry_t entry, std::string_view key) = 0;
  /// Writes one property (what a driver's setProperties would accept). kIOReturnBadArgument for a
  /// dead handle; kIOReturnUnsupported when the entry does not take writes.
  virtual kern_return_t registryEntrySetProperty(io_registry_entry_t entry, std::string_view key,
                                                 const Value& value) = 0;
  /// The parent in the plane as a new reference; kIOReturnNoDevice at the root (and for an
  /// entry that is not in the plane), kIOReturnBadArgument for a dead handle.
  virtual kern_return_t registryEntryGetParentEntry(io_registry_entry_t entry, std::string_view plane,
                                                    io_registry_entry_t* parent) = 0;
  /// The first child in the plane as a new reference; kIOReturnNoDevice without children,
  /// kIOReturnBadArgument for a dead handle.
  virtual kern_return_t registryEntryGetChildEntry(io_registry_entry_t entry, std::string_view plane,
                                                   io_registry_entry_t* child) = 0;
  /// An iterator (new reference) over the entry's children in the plane, in registry order; an
  /// entry without children gives an iterator that yields nothing. kIOReturnBadArgument for a
  /// dead handle or a null *iterator, which is then untouched.
  virtual kern_return_t registryEntryGetChildIterator(io_registry_entry_t entry, std::string_view plane,
                                                      io_iterator_t* iterator) = 0;
  /// The entry at "Plane:/path" as a new reference, or 0 when there is none.
  virtual io_registry_entry_t registryEntryFromPath(std::string_view path) = 0;
  /// The root of the registry as a new reference; 0 on a machine without a registry.
  virtual io_registry_entry_t registryGetRootEntry() = 0;

  // ---- User clients ----

  /// Opens a connection to the service's user client (new reference in *connection).
  /// kIOReturnUnsupported when the service has no user client, kIOReturnBadArgument for a dead
  /// handle or a null *connection; on failure nothing is retained.
  virtual kern_return_t serviceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type,
                                    io_connect_t* connection) = 0;
  /// Closes a connection and gives back its reference. kIOReturnBadArgument for a live handle
  /// that is no connection (nothing is released) and for a dead one (a double close is reported,
  /// never undefined).
  virtual kern_return_t serviceClose(io_connect_t connection) = 0;
  /// One structure-in/structure-out method call. *outputSize holds the room on entry and the
  /// bytes written on return. kIOReturnNotOpen for a closed connection, kIOReturnBadArgument
  /// for a record of the wrong size, kIOReturnNotFound for an unknown key or index.
  virtual kern_return_t connectCallStructMethod(io_connect_t connection, std::uint32_t selector,
                                                const void* input, std::size_t inputSize, void* output,
                                                std::size_t* outputSize) = 0;
  /// Creates the plug-in of the service for the plug-in type. On success *plugIn holds a plug-in
  /// with one reference (give it back with destroyPlugInInterface) and *score its score.
  /// kIOReturnUnsupported when the service offers no such plug-in.
  virtual kern_return_t createPlugInInterfaceForService(io_service_t service, const CFUUIDBytes& pluginType,
                                                        const CFUUIDBytes& interfaceType,
                                                        IOCFPlugInInterface** plugIn, std::int32_t* score) = 0;
  /// Gives back the reference of a plug-in made by createPlugInInterfaceForService; interfaces
  /// obtained from it through QueryInterface keep their own references. kIOReturnBadArgument for
  /// a plug-in that is not live (a double destroy is reported, never undefined).
  virtual kern_return_t destroyPlugInInterface(IOCFPlugInInterface* plugIn) = 0;

  /// How many kernel references (objects, iterators, connections, plug-ins) are held right now
  /// by callers: zero after a clean teardown.
  virtual std::size_t heldReferenceCount() const = 0;
  /// One line per reference still held, naming the object, for failure messages.
  virtual std::string heldReferenceReport() const = 0;

  // ---- Kernel and host queries ----

  /// sysctl(3) by numeric MIB: 0 on success, -1 with errno set (ENOENT unknown name, ENOMEM
  /// when the buffer is too small; the needed size is then in *oldLength). A null oldValue asks
  /// for the size only.
  virtual int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength,
                     const void* newValue, std::size_t newLength) = 0;
  /// sysctlbyname(3), same results.
  virtual int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength,
                           const void* newValue, std::size_t newLength) = 0;
  /// host_info(HOST_BASIC_INFO): KERN_INVALID_ARGUMENT for another flavor or a short count.
  virtual kern_return_t hostInfo(host_flavor_t flavor, integer_t* info, mach_msg_type_number_t* count) = 0;
  /// Whether the system offers gethostuuid (older releases do not).
  virtual bool hasGethostuuid() const = 0;
  /// gethostuuid(2): 0 and 16 bytes, or -1 with errno.
  virtual int gethostuuid(std::uint8_t uuid[16], const timespec* wait) = 0;
  /// CSCopyMachineName: the computer name, or nothing.
  virtual std::optional<std::string> copyMachineName() = 0;

  // ---- Files and standard defaults ----

  /// The bytes of a file of the machine, or nothing when it does not exist.
  virtual std::optional<Data> readFile(std::string_view path) = 0;
  /// The standard user defaults that the machine's user has set (the behaviour switches).
  virtual Dictionary standardUserDefaults() = 0;
};

/// The machine the process runs on. Set at start-up, replaced by tests; until one is set, an
/// empty machine (os/NullMachine.h) that finds nothing and holds nothing.
Machine& currentMachine();
void setCurrentMachine(std::shared_ptr<Machine> machine);
bool hasCurrentMachine();

}  // namespace sw::os
