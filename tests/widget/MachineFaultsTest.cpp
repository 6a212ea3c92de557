// The hardware changing under the widget after discovery: every SMC key failing, registry
// entries vanishing, properties changing their type. Every sensor then reads "---" (or keeps a
// reading it may still serve from its cache), nothing throws, and the stored settings stay.
#include <gtest/gtest.h>

#include "os/Clock.h"
#include "os/IOKit.h"
#include "os/Machine.h"
#include "sim/SimulatedMachine.h"
#include "widget/SensorClassLoading.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

enum class Fault { None, UserClientCallsFail, EntriesVanish, PropertiesChangeType };

/// A machine that answers as the one it wraps until a fault is switched on.
class FaultyMachine : public os::Machine {
 public:
  explicit FaultyMachine(std::shared_ptr<os::Machine> inner) : inner_(std::move(inner)) {}
  Fault fault = Fault::None;

  os::kern_return_t getMatchingServices(const Dictionary& m, os::io_iterator_t* i) override { return inner_->getMatchingServices(m, i); }
  os::io_object_t iteratorNext(os::io_iterator_t i) override { return inner_->iteratorNext(i); }
  os::kern_return_t objectRetain(os::io_object_t o) override { return inner_->objectRetain(o); }
  os::kern_return_t objectRelease(os::io_object_t o) override { return inner_->objectRelease(o); }
  os::kern_return_t objectGetClass(os::io_object_t o, std::string* c) override { return inner_->objectGetClass(o, c); }
  bool objectConformsTo(os::io_object_t o, std::string_view c) override { return inner_->objectConformsTo(o, c); }
  os::kern_return_t registryEntryGetName(os::io_registry_entry_t e, std::string* n) override {
    return inner_->registryEntryGetName(e, n);
  }
  os::kern_return_t registryEntryCreateProperties(os::io_registry_entry_t e, Dictionary* properties) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnBadArgument;
    const os::kern_return_t result = inner_->registryEntryCreateProperties(e, properties);
    if (fault == Fault::PropertiesChangeType) {
      for (auto& [key, value] : *properties) value = changedType(value);
    }
    return result;
  }
  std::optional<Value> registryEntryCreateProperty(os::io_registry_entry_t e, std::string_view key) override {
    if (fault == Fault::EntriesVanish) return std::nullopt;
    std::optional<Value> value = inner_->registryEntryCreateProperty(e, key);
    if (value && fault == Fault::PropertiesChangeType) return changedType(*value);
    return value;
  }
  os::kern_return_t registryEntrySetProperty(os::io_registry_entry_t e, std::string_view k, const Value& v) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnBadArgument;
    return inner_->registryEntrySetProperty(e, k, v);
  }
  os::kern_return_t registryEntryGetParentEntry(os::io_registry_entry_t e, std::string_view p, os::io_registry_entry_t* r) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnNoDevice;
    return inner_->registryEntryGetParentEntry(e, p, r);
  }
  os::kern_return_t registryEntryGetChildEntry(os::io_registry_entry_t e, std::string_view p, os::io_registry_entry_t* r) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnNoDevice;
    return inner_->registryEntryGetChildEntry(e, p, r);
  }
  os::kern_return_t registryEntryGetChildIterator(os::io_registry_entry_t e, std::string_view p, os::io_iterator_t* i) override {
    return inner_->registryEntryGetChildIterator(e, p, i);
  }
  os::io_registry_entry_t registryEntryFromPath(std::string_view path) override {
    return fault == Fault::EntriesVanish ? 0 : inner_->registryEntryFromPath(path);
  }
  os::io_registry_entry_t registryGetRootEntry() override { return inner_->registryGetRootEntry(); }
  os::kern_return_t serviceOpen(os::io_service_t s, os::task_port_t t, std::uint32_t type, os::io_connect_t* c) override {
    return inner_->serviceOpen(s, t, type, c);
  }
  os::kern_return_t serviceClose(os::io_connect_t c) override { return inner_->serviceClose(c); }
  os::kern_return_t connectCallStructMethod(os::io_connect_t c, std::uint32_t selector, const void* in, std::size_t inSize,
                                            void* out, std::size_t* outSize) override {
    if (fault == Fault::UserClientCallsFail) return os::kIOReturnError;
    return inner_->connectCallStructMethod(c, selector, in, inSize, out, outSize);
  }
  os::kern_return_t createPlugInInterfaceForService(os::io_service_t s, const os::CFUUIDBytes& p, const os::CFUUIDBytes& i,
                                                    os::IOCFPlugInInterface** plugIn, std::int32_t* score) override {
    if (fault == Fault::UserClientCallsFail) return os::kIOReturnError;
    return inner_->createPlugInInterfaceForService(s, p, i, plugIn, score);
  }
  os::kern_return_t destroyPlugInInterface(os::IOCFPlugInInterface* p) override { return inner_->destroyPlugInInterface(p); }
  std::size_t heldReferenceCount() const override { return inner_->heldReferenceCount(); }
  std::string heldReferenceReport() const override { return inner_->heldReferenceReport(); }
  int sysctl(const int* n, unsigned l, void* o, std::size_t* ol, const void* nv, std::size_t nl) override {
    return inner_->sysctl(n, l, o, ol, nv, nl);
  }
  int sysctlbyname(std::string_view n, void* o, std::size_t* ol, const void* nv, std::size_t nl) override {
    return inner_->sysctlbyname(n, o, ol, nv, nl);
  }
  os::kern_return_t hostInfo(os::host_flavor_t f, os::integer_t* i, os::mach_msg_type_number_t* c) override {
    return inner_->hostInfo(f, i, c);
  }
  bool hasGethostuuid() const override { return inner_->hasGethostuuid(); }
  int gethostuuid(std::uint8_t uuid[16], const timespec* wait) override { return inner_->gethostuuid(uuid, wait); }
  std::optional<std::string> copyMachineName() override { return inner_->copyMachineName(); }
  std::optional<Data> readFile(std::string_view path) override { return inner_->readFile(path); }
  Dictionary standardUserDefaults() override { return inner_->standardUserDefaults(); }

 private:
  // A number becomes a text, any other kind a number: what a driver update might publish.
  static Value changedType(const Value& value) {
    return value.isNumber() ? Value("changed") : Value::integer(-1);
  }

  std::shared_ptr<os::Machine> inner_;
};

class MachineFaults : public WidgetTestMachine {};

TEST_F(MachineFaults, SourcesFailingAfterDiscoveryReadAsNoReadingAndNothingIsLost) {
  for (const char* profile : {"MacPro5,1", "MacBookPro8,1", "PowerBook5,8", "PowerMac7,3", "iMac13,2"}) {
    for (Fault fault : {Fault::UserClientCallsFail, Fault::EntriesVanish, Fault::PropertiesChangeType}) {
      SCOPED_TRACE(std::string(profile) + " fault " + std::to_string(static_cast<int>(fault)));
      resetProcessState();
      auto loaded = sim::SimulatedMachine::loadBuiltIn(profile);
      ASSERT_TRUE(std::holds_alternative<std::shared_ptr<sim::SimulatedMachine>>(loaded));
      auto machine = std::make_shared<FaultyMachine>(std::get<std::shared_ptr<sim::SimulatedMachine>>(loaded));
      os::setCurrentMachine(machine);
      os::setDefaultsDirectory(defaultsDirectory_.path());
      os::setTextMeasurer(std::make_shared<os::FixedWidthTextMeasurer>());
      os::ManualClock clock;
      registerSensorClasses();
      {
        auto controller = startedController();
        const std::int32_t count = controller->numberOfAvailableSensors();
        if (count == 0) continue;  // a model the widget does not support
        controller->setPreferredSensorIndexForDisplayIndex(count - 1, 1);

        machine->fault = fault;
        clock.advance(3600);  // past every cache and throttle
        for (std::int32_t index = 0; index < count; ++index) {
          controller->setPreferredSensorIndexForDisplayIndex(index, 0);
          const std::string reading = controller->localizedReadingAtDisplayIndex(0);
          // The SMC sensors were bound to their keys at discovery and do not look at the
          // registry again; a failing connection leaves them without a reading. (The other
          // sources read the registry or a plug-in interface, which this fault leaves alone.)
          const bool readsTheSMC = controller->sensorArray()[index]->uniqueIdentifier().starts_with("smc.");
          if (fault == Fault::UserClientCallsFail && readsTheSMC) {
            EXPECT_EQ(reading, "---") << index;
          }
          EXPECT_FALSE(reading.empty()) << index;
          EXPECT_FALSE(controller->localizedDifferentiatingSensorNameAtIndex(index).empty()) << index;
        }
        EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(1), count - 1);
        machine->fault = Fault::None;
        EXPECT_EQ(startedController()->preferredSensorIndexAtDisplayIndex(1), count - 1) << "the choice was stored";
      }
      resetProcessState();  // the shared SMC client holds its connection until then
      EXPECT_EQ(machine->heldReferenceCount(), 0u) << machine->heldReferenceReport();
    }
  }
}

}  // namespace
}  // namespace sw::test
