// The simulated Mac's kernel: registry lookups, handles, connections, plug-ins and host queries.
#include "sim/SimulatedMachine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "foundation/EmbeddedFiles.h"
#include "foundation/Numbers.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Host.h"
#include "sim/BuiltInProfiles.h"
#include "sim/DriverBehaviours.h"
#include "sim/ProcessTable.h"
#include "sim/ProfileError.h"
#include "sim/SysctlTable.h"
#include "sim/UserClient.h"

namespace sw::sim {
namespace {

void collectMatching(RegistryEntry& entry, const ClassHierarchy& classes, std::string_view className,
                     std::vector<RegistryEntry*>& found) {
  if (classes.conformsTo(entry.className, "IOService") && classes.conformsTo(entry.className, className)) {
    found.push_back(&entry);
  }
  for (const auto& child : entry.children) collectMatching(*child, classes, className, found);
}

RegistryEntry* entryAtPath(RegistryEntry* root, std::string_view path) {
  if (root == nullptr || !path.starts_with("/")) return nullptr;
  RegistryEntry* current = root;
  while (current != nullptr && !path.empty()) {
    path.remove_prefix(1);  // the "/"
    std::size_t end = std::min(path.find('/'), path.size());
    std::string_view component = path.substr(0, end);
    path.remove_prefix(end);
    if (!component.empty()) current = current->childNamed(component);
  }
  return current;
}

SimulatedMachine::LoadResult loadBytes(std::string_view bytes, const std::string& sourceName) {
  std::string error;
  std::optional<Value> profile = PropertyListSerialization::propertyListFromData(bytes, &error);
  if (!profile) return sourceName + ": " + error;
  return SimulatedMachine::load(*profile, sourceName);
}

}  // namespace

SimulatedMachine::LoadResult SimulatedMachine::load(const Value& profile, std::string sourceName) {
  try {
    return std::make_shared<SimulatedMachine>(MachineProfile::read(profile));
  } catch (const ProfileError& error) {
    return sourceName + ": " + error.path() + ": " + error.problem();
  }
}

SimulatedMachine::LoadResult SimulatedMachine::loadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return path + ": the file cannot be read";
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return loadBytes(bytes, path);
}

SimulatedMachine::LoadResult SimulatedMachine::loadBuiltIn(const std::string& name) {
  std::string path = builtInProfilePath(name);
  std::optional<std::string_view> bytes = embedded::file(path);
  if (!bytes) return name + ": no built-in profile has this name";
  return loadBytes(*bytes, path);
}

SimulatedMachine::SimulatedMachine(MachineProfile profile)
    : profile_(std::move(profile)), plugInFactories_(builtInPlugInFactories()) {}

const RegistryEntry* SimulatedMachine::planeRoot(std::string_view plane) const { return rootOf(plane); }

RegistryEntry* SimulatedMachine::rootOf(std::string_view plane) const {
  if (plane == os::kIOServicePlane) return profile_.serviceRoot.get();
  if (plane == os::kIODeviceTreePlane) return profile_.deviceTreeRoot.get();
  return nullptr;
}

void SimulatedMachine::registerPlugInFactory(const os::CFUUIDBytes& pluginType, PlugInFactory factory) {
  plugInFactories_.insert_or_assign(pluginType, std::move(factory));
}

std::vector<SMARTDrive*> SimulatedMachine::smartDrives() {
  std::vector<SMARTDrive*> drives;
  std::function<void(RegistryEntry&)> visit = [&](RegistryEntry& entry) {
    if (entry.instructions.smart) drives.push_back(&*entry.instructions.smart);
    for (const auto& child : entry.children) visit(*child);
  };
  visit(*profile_.serviceRoot);
  return drives;
}

RegistryEntry* SimulatedMachine::entryInPlane(os::io_object_t handle, std::string_view plane) const {
  RegistryEntry* entry = objects_.entry(handle);
  return entry != nullptr && entry->plane == plane ? entry : nullptr;
}

// ---- Registry objects and matching ----

os::kern_return_t SimulatedMachine::getMatchingServices(const Dictionary& matching, os::io_iterator_t* iterator) {
  auto providerClass = matching.find("IOProviderClass");
  if (iterator == nullptr || providerClass == matching.end() || providerClass->second.asString() == nullptr) {
    return os::kIOReturnBadArgument;
  }
  std::vector<RegistryEntry*> services;
  collectMatching(*profile_.serviceRoot, profile_.classes, *providerClass->second.asString(), services);
  *iterator = objects_.addIterator(std::move(services));
  return os::kIOReturnSuccess;
}

os::io_object_t SimulatedMachine::iteratorNext(os::io_iterator_t iterator) {
  IteratorState* state = objects_.iterator(iterator);
  if (state == nullptr || state->next >= state->entries.size()) return 0;
  return objects_.referenceEntry(state->entries[state->next++]);
}

os::kern_return_t SimulatedMachine::objectRetain(os::io_object_t object) { return objects_.retain(object); }

os::kern_return_t SimulatedMachine::objectRelease(os::io_object_t object) { return objects_.release(object); }

os::kern_return_t SimulatedMachine::objectGetClass(os::io_object_t object, std::string* className) {
  if (className == nullptr) return os::kIOReturnBadArgument;
  if (RegistryEntry* entry = objects_.entry(object)) {
    *className = entry->className;
  } else if (objects_.iterator(object) != nullptr) {
    *className = "IOUserIterator";
  } else if (objects_.connection(object) != nullptr) {
    *className = "IOUserClient";
  } else {
    return os::kIOReturnBadArgument;
  }
  return os::kIOReturnSuccess;
}

bool SimulatedMachine::objectConformsTo(os::io_object_t object, std::string_view className) {
  RegistryEntry* entry = objects_.entry(object);
  return entry != nullptr && profile_.classes.conformsTo(entry->className, className);
}

// ---- Registry entries ----

os::kern_return_t SimulatedMachine::registryEntryGetName(os::io_registry_entry_t entry, std::string* name) {
  RegistryEntry* found = objects_.entry(entry);
  if (found == nullptr || name == nullptr) return os::kIOReturnBadArgument;
  *name = found->name;
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::registryEntryCreateProperties(os::io_registry_entry_t entry,
                                                                  Dictionary* properties) {
  RegistryEntry* found = objects_.entry(entry);
  if (found == nullptr || properties == nullptr) return os::kIOReturnBadArgument;
  *properties = found->currentProperties();
  return os::kIOReturnSuccess;
}

std::optional<Value> SimulatedMachine::registryEntryCreateProperty(os::io_registry_entry_t entry,
                                                                   std::string_view key) {
  RegistryEntry* found = objects_.entry(entry);
  if (found == nullptr) return std::nullopt;
  if (std::optional<Value> answer = driverPropertyRead(*found, key)) return answer;
  return found->property(key);
}

os::kern_return_t SimulatedMachine::registryEntrySetProperty(os::io_registry_entry_t entry, std::string_view key,
                                                             const Value& value) {
  // Every simulated driver takes what is written, so that clients can see their writes.
  RegistryEntry* found = objects_.entry(entry);
  if (found == nullptr) return os::kIOReturnBadArgument;
  found->setProperty(key, value);
  driverPropertyWritten(*found, key);
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::registryEntryGetParentEntry(os::io_registry_entry_t entry, std::string_view plane,
                                                                os::io_registry_entry_t* parent) {
  if (objects_.entry(entry) == nullptr || parent == nullptr) return os::kIOReturnBadArgument;
  RegistryEntry* found = entryInPlane(entry, plane);
  if (found == nullptr || found->parent == nullptr) return os::kIOReturnNoDevice;
  *parent = objects_.referenceEntry(found->parent);
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::registryEntryGetChildEntry(os::io_registry_entry_t entry, std::string_view plane,
                                                               os::io_registry_entry_t* child) {
  if (objects_.entry(entry) == nullptr || child == nullptr) return os::kIOReturnBadArgument;
  RegistryEntry* found = entryInPlane(entry, plane);
  if (found == nullptr || found->children.empty()) return os::kIOReturnNoDevice;
  *child = objects_.referenceEntry(found->children.front().get());
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::registryEntryGetChildIterator(os::io_registry_entry_t entry,
                                                                  std::string_view plane, os::io_iterator_t* iterator) {
  if (objects_.entry(entry) == nullptr || iterator == nullptr) return os::kIOReturnBadArgument;
  std::vector<RegistryEntry*> children;
  if (RegistryEntry* found = entryInPlane(entry, plane)) {
    for (const auto& child : found->children) children.push_back(child.get());
  }
  *iterator = objects_.addIterator(std::move(children));
  return os::kIOReturnSuccess;
}

os::io_registry_entry_t SimulatedMachine::registryEntryFromPath(std::string_view path) {
  std::size_t colon = path.find(':');
  if (colon == std::string_view::npos) return 0;
  RegistryEntry* found = entryAtPath(rootOf(path.substr(0, colon)), path.substr(colon + 1));
  return found == nullptr ? 0 : objects_.referenceEntry(found);
}

os::io_registry_entry_t SimulatedMachine::registryGetRootEntry() {
  return objects_.referenceEntry(profile_.serviceRoot.get());
}

// ---- User clients and plug-ins ----

os::kern_return_t SimulatedMachine::serviceOpen(os::io_service_t service, os::task_port_t, std::uint32_t type,
                                                os::io_connect_t* connection) {
  RegistryEntry* found = entryInPlane(service, os::kIOServicePlane);
  if (found == nullptr || connection == nullptr) return os::kIOReturnBadArgument;
  std::unique_ptr<UserClient> client = makeUserClient(*found, type);
  if (client == nullptr) return os::kIOReturnUnsupported;
  *connection = objects_.addConnection(found, std::move(client));
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::serviceClose(os::io_connect_t connection) {
  // A live handle of another kind is refused; a dead one is a double close and gets reported.
  if (objects_.connection(connection) == nullptr && objects_.referenceCount(connection) > 0) {
    return os::kIOReturnBadArgument;
  }
  return objects_.release(connection);
}

os::kern_return_t SimulatedMachine::connectCallStructMethod(os::io_connect_t connection, std::uint32_t selector,
                                                            const void* input, std::size_t inputSize, void* output,
                                                            std::size_t* outputSize) {
  Connection* open = objects_.connection(connection);
  if (open == nullptr) return os::kIOReturnNotOpen;
  if (outputSize == nullptr) return os::kIOReturnBadArgument;
  return open->client->callStructMethod(selector, input, inputSize, output, outputSize);
}

os::kern_return_t SimulatedMachine::createPlugInInterfaceForService(os::io_service_t service,
                                                                    const os::CFUUIDBytes& pluginType,
                                                                    const os::CFUUIDBytes& interfaceType,
                                                                    os::IOCFPlugInInterface** plugIn,
                                                                    std::int32_t* score) {
  RegistryEntry* found = entryInPlane(service, os::kIOServicePlane);
  if (found == nullptr || plugIn == nullptr || score == nullptr) return os::kIOReturnBadArgument;
  auto factory = plugInFactories_.find(pluginType);
  if (factory == plugInFactories_.end()) return os::kIOReturnUnsupported;
  std::unique_ptr<PlugInObject> object = factory->second(*found, interfaceType);
  if (object == nullptr) return os::kIOReturnUnsupported;
  *plugIn = object->plugInInterface();
  *score = 0;
  objects_.addPlugIn(found, std::move(object));
  return os::kIOReturnSuccess;
}

os::kern_return_t SimulatedMachine::destroyPlugInInterface(os::IOCFPlugInInterface* plugIn) {
  // An unknown pointer is reported like a double release of handle 0.
  return objects_.release(objects_.plugInHandle(plugIn));
}

// ---- Kernel and host queries ----

int SimulatedMachine::sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength,
                             const void* newValue, std::size_t) {
  constexpr int kAllProcesses[] = {os::CTL_KERN, os::KERN_PROC, os::KERN_PROC_ALL};
  if (name != nullptr && nameLength == 3 && std::equal(name, name + 3, kAllProcesses)) {
    return copySysctlBytes(processTableRecords(profile_.processes), oldValue, oldLength);
  }
  std::optional<std::string_view> dottedName = SysctlTable::nameForMIB(name, nameLength);
  if (!dottedName) {
    errno = ENOENT;
    return -1;
  }
  return profile_.sysctl.query(*dottedName, oldValue, oldLength, newValue);
}

int SimulatedMachine::sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength,
                                   const void* newValue, std::size_t) {
  return profile_.sysctl.query(name, oldValue, oldLength, newValue);
}

os::kern_return_t SimulatedMachine::hostInfo(os::host_flavor_t flavor, os::integer_t* info,
                                             os::mach_msg_type_number_t* count) {
  if (flavor != os::HOST_BASIC_INFO || info == nullptr || count == nullptr || *count < os::HOST_BASIC_INFO_COUNT) {
    return os::KERN_INVALID_ARGUMENT;
  }
  const SysctlTable& facts = profile_.sysctl;
  auto count32 = [](std::optional<std::int64_t> value, std::int64_t otherwise) {
    return clampToInt32(static_cast<double>(value.value_or(otherwise)));
  };
  std::int64_t cpus = facts.integer("hw.ncpu").value_or(0);
  std::int64_t memory = facts.integer("hw.memsize").value_or(0);
  os::host_basic_info basic{};
  basic.max_cpus = count32(cpus, 0);
  basic.avail_cpus = count32(facts.integer("hw.availcpu"), cpus);
  // The 32-bit field cannot say more than 2 GB; the kernel caps it there.
  basic.memory_size = static_cast<os::natural_t>(std::clamp<std::int64_t>(memory, 0, 0x80000000LL));
  basic.cpu_type = profile_.cpuType;
  basic.cpu_subtype = profile_.cpuSubtype;
  basic.physical_cpu = count32(facts.integer("hw.physicalcpu"), cpus);
  basic.physical_cpu_max = count32(facts.integer("hw.physicalcpu_max"), basic.physical_cpu);
  basic.logical_cpu = count32(facts.integer("hw.logicalcpu"), basic.avail_cpus);
  basic.logical_cpu_max = count32(facts.integer("hw.logicalcpu_max"), cpus);
  basic.max_mem = static_cast<std::uint64_t>(std::max<std::int64_t>(memory, 0));
  std::memcpy(info, &basic, sizeof basic);
  *count = os::HOST_BASIC_INFO_COUNT;
  return os::KERN_SUCCESS;
}

int SimulatedMachine::gethostuuid(std::uint8_t uuid[16], const timespec*) {
  if (!profile_.hostUUID) {
    errno = ENOSYS;
    return -1;
  }
  if (uuid == nullptr) {
    errno = EFAULT;
    return -1;
  }
  std::copy(profile_.hostUUID->begin(), profile_.hostUUID->end(), uuid);
  return 0;
}

std::optional<Data> SimulatedMachine::readFile(std::string_view path) {
  auto found = profile_.files.find(path);
  if (found == profile_.files.end()) return std::nullopt;
  return found->second;
}

}  // namespace sw::sim
