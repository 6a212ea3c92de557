// The hardware changing under the widget after discovery: every SMC key failing, registry
// entries vanishing, properties changing their type. Every sensor then reads "---" (or keeps a
// reading it may still serve from its cache), nothing throws, and the stored settings stay.
#include <gtest/gtest.h>

#include "foundation/EmbeddedFiles.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Clock.h"
#include "os/IOKit.h"
#include "os/Machine.h"
#include "sim/BuiltInProfiles.h"
#include "sim/SimulatedMachine.h"
#include "widget/SensorClassLoading.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

enum class Fault { None, UserClientCallsFail, EntriesVanish, PropertiesChangeType };

/// A built-in machine that answers as itself until a fault is switched on.
class FaultyMachine : public sim::SimulatedMachine {
 public:
  explicit FaultyMachine(const std::string& builtIn)
      : SimulatedMachine(sim::MachineProfile::read(
            *PropertyListSerialization::propertyListFromData(*embedded::file(sim::builtInProfilePath(builtIn))))) {}
  Fault fault = Fault::None;

  os::kern_return_t registryEntryCreateProperties(os::io_registry_entry_t e, Dictionary* properties) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnBadArgument;
    const os::kern_return_t result = SimulatedMachine::registryEntryCreateProperties(e, properties);
    if (fault == Fault::PropertiesChangeType) {
      for (auto& [key, value] : *properties) value = changedType(value);
    }
    return result;
  }
  std::optional<Value> registryEntryCreateProperty(os::io_registry_entry_t e, std::string_view key) override {
    if (fault == Fault::EntriesVanish) return std::nullopt;
    std::optional<Value> value = SimulatedMachine::registryEntryCreateProperty(e, key);
    if (value && fault == Fault::PropertiesChangeType) return changedType(*value);
    return value;
  }
  os::kern_return_t registryEntrySetProperty(os::io_registry_entry_t e, std::string_view k, const Value& v) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnBadArgument;
    return SimulatedMachine::registryEntrySetProperty(e, k, v);
  }
  os::kern_return_t registryEntryGetParentEntry(os::io_registry_entry_t e, std::string_view p, os::io_registry_entry_t* r) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnNoDevice;
    return SimulatedMachine::registryEntryGetParentEntry(e, p, r);
  }
  os::kern_return_t registryEntryGetChildEntry(os::io_registry_entry_t e, std::string_view p, os::io_registry_entry_t* r) override {
    if (fault == Fault::EntriesVanish) return os::kIOReturnNoDevice;
    return SimulatedMachine::registryEntryGetChildEntry(e, p, r);
  }
  os::io_registry_entry_t registryEntryFromPath(std::string_view path) override {
    return fault == Fault::EntriesVanish ? 0 : SimulatedMachine::registryEntryFromPath(path);
  }
  os::kern_return_t connectCallStructMethod(os::io_connect_t c, std::uint32_t selector, const void* in, std::size_t inSize,
                                            void* out, std::size_t* outSize) override {
    if (fault == Fault::UserClientCallsFail) return os::kIOReturnError;
    return SimulatedMachine::connectCallStructMethod(c, selector, in, inSize, out, outSize);
  }
  os::kern_return_t createPlugInInterfaceForService(os::io_service_t s, const os::CFUUIDBytes& p, const os::CFUUIDBytes& i,
                                                    os::IOCFPlugInInterface** plugIn, std::int32_t* score) override {
    if (fault == Fault::UserClientCallsFail) return os::kIOReturnError;
    return SimulatedMachine::createPlugInInterfaceForService(s, p, i, plugIn, score);
  }

 private:
  // A number becomes a text, any other kind a number: what a driver update might publish.
  static Value changedType(const Value& value) {
    return value.isNumber() ? Value("changed") : Value::integer(-1);
  }
};

class MachineFaults : public WidgetTestMachine {};

TEST_F(MachineFaults, SourcesFailingAfterDiscoveryReadAsNoReadingAndNothingIsLost) {
  for (const char* profile : {"MacPro5,1", "MacBookPro8,1", "PowerBook5,8", "PowerMac7,3", "iMac13,2"}) {
    for (Fault fault : {Fault::UserClientCallsFail, Fault::EntriesVanish, Fault::PropertiesChangeType}) {
      SCOPED_TRACE(std::string(profile) + " fault " + std::to_string(static_cast<int>(fault)));
      resetProcessState();
      auto machine = std::make_shared<FaultyMachine>(profile);
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
