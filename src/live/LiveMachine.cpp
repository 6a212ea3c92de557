// The live machine: the registry machine answers everything but the controller's connections.
#include "live/LiveMachine.h"

#include <fmt/format.h>

#include "live/LiveProfile.h"
#include "live/RecordedATADevice.h"
#include "os/Clock.h"

namespace sw::live {

std::shared_ptr<LiveMachine> LiveMachine::create(std::shared_ptr<LiveFiles> files, const RegistryFactory& makeRegistry,
                                                 std::string* error, std::shared_ptr<ATADeviceOpener> disks) {
  std::optional<AppleSMCDevice> smc = AppleSMCDevice::open(*files);
  std::optional<std::string> version = smc ? std::optional<std::string>(smc->versionText()) : std::nullopt;
  if (!disks) disks = ataDeviceOpenerFor(files);
  std::vector<std::shared_ptr<LiveDisk>> found = LiveDisk::discover(*files, *disks);
  const Value profile = liveProfile(*files, version, found);
  std::shared_ptr<os::Machine> registry = makeRegistry(profile, error);
  if (!registry) return nullptr;
  ProcessorModel processor;
  if (const Value* sysctl = profile.find("Sysctl")) {
    if (const Value* family = sysctl->find("machdep.cpu.family")) processor.family = family->asInteger().value_or(0);
    if (const Value* model = sysctl->find("machdep.cpu.model")) processor.model = model->asInteger().value_or(0);
  }
  return std::make_shared<LiveMachine>(std::move(registry), std::move(files), std::move(smc), processor,
                                       std::move(found));
}

LiveMachine::LiveMachine(std::shared_ptr<os::Machine> registry, std::shared_ptr<LiveFiles> files,
                         std::optional<AppleSMCDevice> smc, ProcessorModel processor,
                         std::vector<std::shared_ptr<LiveDisk>> disks)
    : registry_(std::move(registry)),
      files_(std::move(files)),
      smc_(std::move(smc)),
      processor_(processor),
      disks_(std::move(disks)) {}

LiveMachine::SMCConnection* LiveMachine::smcConnection(os::io_object_t handle) {
  auto found = connections_.find(handle);
  return found == connections_.end() ? nullptr : &found->second;
}

// ---- What the registry machine answers ----

os::kern_return_t LiveMachine::getMatchingServices(const Dictionary& matching, os::io_iterator_t* iterator) {
  return registry_->getMatchingServices(matching, iterator);
}
os::io_object_t LiveMachine::iteratorNext(os::io_iterator_t iterator) { return registry_->iteratorNext(iterator); }
bool LiveMachine::objectConformsTo(os::io_object_t object, std::string_view className) {
  return registry_->objectConformsTo(object, className);
}
os::kern_return_t LiveMachine::registryEntryGetName(os::io_registry_entry_t entry, std::string* name) {
  return registry_->registryEntryGetName(entry, name);
}
os::kern_return_t LiveMachine::registryEntryCreateProperties(os::io_registry_entry_t entry, Dictionary* properties) {
  return registry_->registryEntryCreateProperties(entry, properties);
}
std::optional<Value> LiveMachine::registryEntryCreateProperty(os::io_registry_entry_t entry, std::string_view key) {
  return registry_->registryEntryCreateProperty(entry, key);
}
os::kern_return_t LiveMachine::registryEntrySetProperty(os::io_registry_entry_t entry, std::string_view key,
                                                        const Value& value) {
  const os::kern_return_t result = registry_->registryEntrySetProperty(entry, key, value);
  if (result != os::kIOReturnSuccess || key != "ForceUpdate" || !registry_->objectConformsTo(entry, kCPUMonitorClass)) {
    return result;
  }
  // The driver reads its sensors anew; a machine whose coretemp went away keeps the last block.
  if (std::optional<Data> block = liveCPUStatusBlock(*files_, processor_, os::currentTime())) {
    registry_->registryEntrySetProperty(entry, "CPUStatus", Value(std::move(*block)));
  }
  return result;
}
os::kern_return_t LiveMachine::registryEntryGetParentEntry(os::io_registry_entry_t entry, std::string_view plane,
                                                           os::io_registry_entry_t* parent) {
  return registry_->registryEntryGetParentEntry(entry, plane, parent);
}
os::kern_return_t LiveMachine::registryEntryGetChildEntry(os::io_registry_entry_t entry, std::string_view plane,
                                                          os::io_registry_entry_t* child) {
  return registry_->registryEntryGetChildEntry(entry, plane, child);
}
os::kern_return_t LiveMachine::registryEntryGetChildIterator(os::io_registry_entry_t entry, std::string_view plane,
                                                             os::io_iterator_t* iterator) {
  return registry_->registryEntryGetChildIterator(entry, plane, iterator);
}
os::io_registry_entry_t LiveMachine::registryEntryFromPath(std::string_view path) {
  return registry_->registryEntryFromPath(path);
}
os::io_registry_entry_t LiveMachine::registryGetRootEntry() { return registry_->registryGetRootEntry(); }
int LiveMachine::sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength,
                        const void* newValue, std::size_t newLength) {
  return registry_->sysctl(name, nameLength, oldValue, oldLength, newValue, newLength);
}
int LiveMachine::sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                              std::size_t newLength) {
  return registry_->sysctlbyname(name, oldValue, oldLength, newValue, newLength);
}
os::kern_return_t LiveMachine::hostInfo(os::host_flavor_t flavor, os::integer_t* info,
                                        os::mach_msg_type_number_t* count) {
  return registry_->hostInfo(flavor, info, count);
}
bool LiveMachine::hasGethostuuid() const { return registry_->hasGethostuuid(); }
int LiveMachine::gethostuuid(std::uint8_t uuid[16], const timespec* wait) { return registry_->gethostuuid(uuid, wait); }
std::optional<std::string> LiveMachine::copyMachineName() { return registry_->copyMachineName(); }
std::optional<Data> LiveMachine::readFile(std::string_view path) { return registry_->readFile(path); }
Dictionary LiveMachine::standardUserDefaults() { return registry_->standardUserDefaults(); }

// ---- Handles: the registry machine's, and the controller connections of this one ----

os::kern_return_t LiveMachine::objectRetain(os::io_object_t object) {
  if (SMCConnection* connection = smcConnection(object)) {
    ++connection->references;
    return os::kIOReturnSuccess;
  }
  return registry_->objectRetain(object);
}

os::kern_return_t LiveMachine::objectRelease(os::io_object_t object) {
  if (SMCConnection* connection = smcConnection(object)) {
    if (--connection->references == 0) connections_.erase(object);
    return os::kIOReturnSuccess;
  }
  return registry_->objectRelease(object);
}

os::kern_return_t LiveMachine::objectGetClass(os::io_object_t object, std::string* className) {
  if (smcConnection(object) != nullptr && className != nullptr) {
    *className = "IOUserClient";
    return os::kIOReturnSuccess;
  }
  return registry_->objectGetClass(object, className);
}

os::kern_return_t LiveMachine::serviceOpen(os::io_service_t service, os::task_port_t owningTask, std::uint32_t type,
                                           os::io_connect_t* connection) {
  if (connection == nullptr) return os::kIOReturnBadArgument;
  if (!registry_->objectConformsTo(service, "AppleSMC")) {
    return registry_->serviceOpen(service, owningTask, type, connection);
  }
  if (!smc_) return os::kIOReturnUnsupported;
  const os::io_connect_t handle = nextConnection_++;
  connections_.emplace(handle, SMCConnection{1, LiveSMCUserClient(*smc_)});
  *connection = handle;
  return os::kIOReturnSuccess;
}

os::kern_return_t LiveMachine::serviceClose(os::io_connect_t connection) {
  if (smcConnection(connection) != nullptr) return objectRelease(connection);
  return registry_->serviceClose(connection);
}

os::kern_return_t LiveMachine::connectCallStructMethod(os::io_connect_t connection, std::uint32_t selector,
                                                       const void* input, std::size_t inputSize, void* output,
                                                       std::size_t* outputSize) {
  if (SMCConnection* open = smcConnection(connection)) {
    return open->client.callStructMethod(selector, input, inputSize, output, outputSize);
  }
  return registry_->connectCallStructMethod(connection, selector, input, inputSize, output, outputSize);
}

// ---- The disks' S.M.A.R.T. plug-ins ----

std::shared_ptr<LiveDisk> LiveMachine::smartDiskOf(os::io_service_t service) {
  const std::optional<Value> name = registry_->registryEntryCreateProperty(service, "BSD Name");
  if (!name || name->asString() == nullptr) return nullptr;
  for (const auto& disk : disks_) {
    if (disk->name() == *name->asString()) return disk->smartCapable() ? disk : nullptr;
  }
  return nullptr;
}

os::kern_return_t LiveMachine::createPlugInInterfaceForService(os::io_service_t service,
                                                               const os::CFUUIDBytes& pluginType,
                                                               const os::CFUUIDBytes& interfaceType,
                                                               os::IOCFPlugInInterface** plugIn, std::int32_t* score) {
  std::shared_ptr<LiveDisk> disk = pluginType == os::kIOATASMARTUserClientTypeID ? smartDiskOf(service) : nullptr;
  if (!disk) return registry_->createPlugInInterfaceForService(service, pluginType, interfaceType, plugIn, score);
  if (plugIn == nullptr || score == nullptr) return os::kIOReturnBadArgument;
  if (interfaceType != os::kIOCFPlugInInterfaceID) return os::kIOReturnUnsupported;
  auto object = std::make_unique<LiveSMARTPlugIn>(
      std::move(disk), [this](LiveSMARTPlugIn* gone) { plugIns_.erase(gone->plugInInterface()); });
  *plugIn = object->plugInInterface();
  *score = 0;
  plugIns_.emplace(*plugIn, std::move(object));
  return os::kIOReturnSuccess;
}

os::kern_return_t LiveMachine::destroyPlugInInterface(os::IOCFPlugInInterface* plugIn) {
  auto found = plugIns_.find(plugIn);
  if (found == plugIns_.end()) return registry_->destroyPlugInInterface(plugIn);
  found->second->release();
  return os::kIOReturnSuccess;
}

std::size_t LiveMachine::heldReferenceCount() const {
  std::size_t held = registry_->heldReferenceCount();
  for (const auto& [handle, connection] : connections_) held += connection.references;
  for (const auto& [handle, object] : plugIns_) held += object->references();
  return held;
}

std::string LiveMachine::heldReferenceReport() const {
  std::string report = registry_->heldReferenceReport();
  for (const auto& [handle, connection] : connections_) {
    report += fmt::format("0x{:x}: AppleSMC connection, {} reference(s)\n", handle, connection.references);
  }
  for (const auto& [handle, object] : plugIns_) {
    report += fmt::format("{}: S.M.A.R.T. plug-in, {} reference(s)\n", object->disk().name(), object->references());
  }
  return report;
}

}  // namespace sw::live
