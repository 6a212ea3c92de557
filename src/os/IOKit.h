// The I/O Kit calls the plug-in makes, shaped like the C API so that calling code reads like the
// real thing, with property-list values in place of CoreFoundation objects. Each forwards to the
// current machine; see os/Machine.h for what each returns on failure and what it retains.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "os/IOKitTypes.h"
#include "os/PlugInInterface.h"

namespace sw::os {

/// The matching dictionary for a class name: {IOProviderClass = name}.
Dictionary IOServiceMatching(std::string_view className);
/// Consumes the matching dictionary like the real call; *existing receives a new iterator.
kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort, Dictionary matching,
                                           io_iterator_t* existing);
/// The first matching service as a new reference, or 0.
io_service_t IOServiceGetMatchingService(mach_port_t masterPort, Dictionary matching);
io_object_t IOIteratorNext(io_iterator_t iterator);
kern_return_t IOObjectRetain(io_object_t object);
kern_return_t IOObjectRelease(io_object_t object);
kern_return_t IOObjectGetClass(io_object_t object, std::string* className);
bool IOObjectConformsTo(io_object_t object, std::string_view className);

kern_return_t IORegistryEntryGetName(io_registry_entry_t entry, std::string* name);
/// *properties receives a copy of all properties. The allocator and options of the C call have
/// no meaning here and are left out.
kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry, std::optional<Dictionary>* properties);
std::optional<Value> IORegistryEntryCreateCFProperty(io_registry_entry_t entry, std::string_view key);
kern_return_t IORegistryEntrySetCFProperty(io_registry_entry_t entry, std::string_view key, const Value& value);
kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, std::string_view plane,
                                            io_registry_entry_t* parent);
kern_return_t IORegistryEntryGetChildEntry(io_registry_entry_t entry, std::string_view plane,
                                           io_registry_entry_t* child);
kern_return_t IORegistryEntryGetChildIterator(io_registry_entry_t entry, std::string_view plane,
                                              io_iterator_t* iterator);
io_registry_entry_t IORegistryEntryFromPath(mach_port_t masterPort, std::string_view path);
io_registry_entry_t IORegistryGetRootEntry(mach_port_t masterPort);

kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type,
                            io_connect_t* connection);
kern_return_t IOServiceClose(io_connect_t connection);
kern_return_t IOConnectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* input,
                                        std::size_t inputSize, void* output, std::size_t* outputSize);

kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, const CFUUIDBytes& pluginType,
                                                const CFUUIDBytes& interfaceType,
                                                IOCFPlugInInterface** plugIn, std::int32_t* score);
kern_return_t IODestroyPlugInInterface(IOCFPlugInInterface* plugIn);

}  // namespace sw::os
