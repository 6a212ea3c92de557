// The class table of the simulated kernel.
#include "sim/ClassHierarchy.h"

#include <utility>

#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

constexpr std::string_view kRootClass = "IORegistryEntry";
constexpr std::string_view kServiceClass = "IOService";

// Class → superclass for the classes the plug-in matches and those a dump of its era shows on
// the path to them. Classes not listed derive from IOService directly.
constexpr std::pair<const char*, const char*> kBuiltInClasses[] = {
    {"IOService", "IORegistryEntry"},
    {"IOPlatformExpert", "IOService"},
    {"IODTPlatformExpert", "IOPlatformExpert"},
    {"AppleACPIPlatformExpert", "IODTPlatformExpert"},
    {"ApplePlatformExpert", "IODTPlatformExpert"},
    {"MacRISC2PE", "ApplePlatformExpert"},
    {"MacRISC4PE", "ApplePlatformExpert"},
    {"IOPlatformDevice", "IOService"},
    {"IOACPIPlatformDevice", "IOPlatformDevice"},
    {"AppleMacIODevice", "IOService"},
    {"IOCPU", "IOService"},
    {"AppleACPICPU", "IOCPU"},
    {"IOI2CDevice", "IOService"},
    {"IOI2CADT746x", "IOI2CDevice"},
    {"IOI2CLM7x", "IOI2CDevice"},
    {"IOI2CMaxim1631", "IOI2CDevice"},
    {"IOI2CMaxim6690", "IOI2CDevice"},
    {"IOI2CSMUSat", "IOI2CDevice"},
    {"IOPMPowerSource", "IOService"},
    {"AppleSmartBattery", "IOPMPowerSource"},
    {"AppleACPIBattery", "IOPMPowerSource"},
    {"IOStorage", "IOService"},
    {"IOMedia", "IOStorage"},
    {"IOBlockStorageDriver", "IOStorage"},
    {"IOBlockStorageDevice", "IOService"},
    {"IOATABlockStorageDevice", "IOBlockStorageDevice"},
    {"IOAHCIBlockStorageDevice", "IOBlockStorageDevice"},
    {"IOBlockStorageServices", "IOBlockStorageDevice"},
    {"IONetworkInterface", "IOService"},
    {"IOEthernetInterface", "IONetworkInterface"},
    {"IONetworkController", "IOService"},
    {"IOEthernetController", "IONetworkController"},
    {"IOFramebuffer", "IOService"},
    {"IONDRVFramebuffer", "IOFramebuffer"},
    {"AppleIntelGMAX3100FB", "IOFramebuffer"},
    {"IOPCIDevice", "IOService"},
    {"IOPCIBridge", "IOService"},
    {"IOPCI2PCIBridge", "IOPCIBridge"},
};

}  // namespace

ClassHierarchy::ClassHierarchy() {
  for (const auto& [className, superclass] : kBuiltInClasses) superclasses_.emplace(className, superclass);
}

void ClassHierarchy::add(const Dictionary& pairs, const std::string& path) {
  for (const auto& [className, superclass] : pairs) {
    const std::string* name = superclass.asString();
    if (name == nullptr || name->empty()) throw ProfileError(path, "the superclass of " + className + " must be a class name");
    if (className == kRootClass) throw ProfileError(path, "the root class " + className + " has no superclass");
    superclasses_.insert_or_assign(className, *name);
  }
  // A loop would make every lookup run forever; each walk must reach the root.
  for (const auto& [className, superclass] : superclasses_) {
    std::string_view current = className;
    for (std::size_t steps = 0; current != kRootClass; ++steps) {
      if (steps > superclasses_.size()) throw ProfileError(path, "class " + className + " is its own ancestor");
      current = superclassOf(current);
    }
  }
}

std::string_view ClassHierarchy::superclassOf(std::string_view className) const {
  auto found = superclasses_.find(className);
  if (found != superclasses_.end()) return found->second;
  return className == kServiceClass ? kRootClass : kServiceClass;
}

bool ClassHierarchy::conformsTo(std::string_view className, std::string_view ancestor) const {
  for (std::string_view current = className;; current = superclassOf(current)) {
    if (current == ancestor) return true;
    if (current == kRootClass) return false;
  }
}

}  // namespace sw::sim
