// The simulated registry through the I/O Kit calls: matching by class, paths in both planes,
// parents and children, property reads and writes.
#include <gtest/gtest.h>

#include "os/Clock.h"
#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw::sim {
namespace {

using os::io_object_t;
using test::ProfileBuilder;

class Registry : public test::SimulatedMachineTest {
 protected:
  /// The names of the services matching a class, in registry order; every handle given back.
  std::vector<std::string> matchingNames(const std::string& className) {
    os::io_iterator_t iterator = 0;
    EXPECT_EQ(os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching(className), &iterator),
              os::kIOReturnSuccess);
    return namesFrom(iterator);
  }

  /// The names of what an iterator yields; the iterator and every entry are given back.
  static std::vector<std::string> namesFrom(os::io_iterator_t iterator) {
    std::vector<std::string> names;
    while (io_object_t entry = os::IOIteratorNext(iterator)) {
      std::string name;
      os::IORegistryEntryGetName(entry, &name);
      names.push_back(name);
      os::IOObjectRelease(entry);
    }
    EXPECT_EQ(os::IOIteratorNext(iterator), 0u) << "an iterator stays at its end";
    os::IOObjectRelease(iterator);
    return names;
  }

  std::string nameAt(const std::string& path) {
    io_object_t entry = os::IORegistryEntryFromPath(os::kIOMasterPortDefault, path);
    if (entry == 0) return "(none)";
    std::string name;
    os::IORegistryEntryGetName(entry, &name);
    os::IOObjectRelease(entry);
    return name;
  }
};

TEST_F(Registry, MatchingASuperclassFindsEverySubclassInRegistryOrder) {
  install(ProfileBuilder()
              .entry("IOAHCIBlockStorageDevice", {{"IORegistryEntryName", Value("sata")}})
              .entry("IOATABlockStorageDevice", {{"IORegistryEntryName", Value("pata")}})
              .entry("IOMedia")
              .child("AppleUSBMassStorage", {{"IORegistryEntryName", Value("usb")}})
              .superclass("AppleUSBMassStorage", "IOBlockStorageDevice"));
  EXPECT_EQ(matchingNames("IOBlockStorageDevice"), (std::vector<std::string>{"sata", "pata", "usb"}));
  EXPECT_EQ(matchingNames("IOATABlockStorageDevice"), (std::vector<std::string>{"pata"}));
}

TEST_F(Registry, AClassNoTableKnowsIsAServiceButNothingElse) {
  install(ProfileBuilder().entry("com_quorvel_driver_QUORVELx86Monitoring"));
  EXPECT_EQ(matchingNames("com_quorvel_driver_QUORVELx86Monitoring").size(), 1u);
  EXPECT_EQ(matchingNames("IOService").size(), 2u);  // with the platform expert
  EXPECT_TRUE(matchingNames("IOBlockStorageDevice").empty());
}

TEST_F(Registry, TheRootIsNoService) {
  EXPECT_EQ(matchingNames("IORegistryEntry"), (std::vector<std::string>{"TestMachine1,1"}));
  io_object_t root = os::IORegistryGetRootEntry(os::kIOMasterPortDefault);
  EXPECT_TRUE(os::IOObjectConformsTo(root, "IORegistryEntry"));
  EXPECT_FALSE(os::IOObjectConformsTo(root, "IOService"));
  os::IOObjectRelease(root);
}

TEST_F(Registry, AMatchingDictionaryWithoutAClassIsABadArgument) {
  os::io_iterator_t iterator = 0;
  EXPECT_EQ(os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, Dictionary{{"IONameMatch", Value("x")}}, &iterator),
            os::kIOReturnBadArgument);
  EXPECT_EQ(iterator, 0u);
}

TEST_F(Registry, PathsAreFoundByNameOrByNameAndLocationInEitherPlane) {
  install(ProfileBuilder()
              .entry("IOACPIPlatformDevice", {{"IORegistryEntryName", Value("SMC")}, {"IORegistryEntryLocation", Value("0")}})
              .child("AppleSMC")
              .deviceTreeEntry("/rom", {{"IORegistryEntryLocation", Value("0")}})
              .deviceTreeEntry("/rom/boot-rom", {{"model", Value("$0005.16f4")}}));
  EXPECT_EQ(nameAt("IOService:/TestMachine1,1/SMC/AppleSMC"), "AppleSMC");
  EXPECT_EQ(nameAt("IOService:/TestMachine1,1/SMC@0/AppleSMC"), "AppleSMC");
  EXPECT_EQ(nameAt("IOService:/"), "Root");
  EXPECT_EQ(nameAt("IODeviceTree:/rom/boot-rom"), "boot-rom");
  EXPECT_EQ(nameAt("IODeviceTree:/rom@0"), "rom");
  EXPECT_EQ(nameAt("IODeviceTree:/"), "device-tree");
  EXPECT_EQ(nameAt("IODeviceTree:/rom@1"), "(none)");
  EXPECT_EQ(nameAt("IODeviceTree:/TestMachine1,1"), "(none)");
  EXPECT_EQ(nameAt("IOPower:/"), "(none)");
  EXPECT_EQ(nameAt("/rom"), "(none)");
  EXPECT_EQ(nameAt("IODeviceTree:rom"), "(none)");
}

TEST_F(Registry, ADeviceTreeDumpFromTheRegistryRootHasItsPathsFromTheDeviceTree) {
  Value rom = ProfileBuilder::registryEntry("IOService", {{"IORegistryEntryName", Value("rom")}, {"version", Value("MBP55")}});
  Value deviceTree = ProfileBuilder::registryEntry("IOPlatformExpertDevice", {{"IORegistryEntryName", Value("device-tree")}}, {rom});
  install(ProfileBuilder().section(
      "IODeviceTree", ProfileBuilder::registryEntry("IORegistryEntry", {{"IORegistryEntryName", Value("Root")}}, {deviceTree})));
  EXPECT_EQ(nameAt("IODeviceTree:/"), "device-tree");
  EXPECT_EQ(nameAt("IODeviceTree:/rom"), "rom");
}

TEST_F(Registry, AMachineWithoutADeviceTreeFindsNothingThere) {
  EXPECT_EQ(nameAt("IODeviceTree:/"), "(none)");
  EXPECT_EQ(nameAt("IODeviceTree:/rom/boot-rom"), "(none)");
}

TEST_F(Registry, ParentsAndChildrenStayInTheirPlane) {
  install(ProfileBuilder().entry("AppleSmartBatteryManager").child("AppleSmartBattery").deviceTreeEntry("/rom"));
  io_object_t battery = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("AppleSmartBattery"));
  io_object_t manager = 0;
  ASSERT_EQ(os::IORegistryEntryGetParentEntry(battery, os::kIOServicePlane, &manager), os::kIOReturnSuccess);
  std::string name;
  os::IORegistryEntryGetName(manager, &name);
  EXPECT_EQ(name, "AppleSmartBatteryManager");
  io_object_t child = 0;
  ASSERT_EQ(os::IORegistryEntryGetChildEntry(manager, os::kIOServicePlane, &child), os::kIOReturnSuccess);
  EXPECT_EQ(child, battery) << "one entry has one handle while it is held";
  io_object_t none = 0;
  EXPECT_EQ(os::IORegistryEntryGetChildEntry(battery, os::kIOServicePlane, &none), os::kIOReturnNoDevice);
  EXPECT_EQ(os::IORegistryEntryGetParentEntry(battery, os::kIODeviceTreePlane, &none), os::kIOReturnNoDevice);
  EXPECT_EQ(none, 0u);
  for (io_object_t handle : {battery, manager, child}) os::IOObjectRelease(handle);

  io_object_t root = os::IORegistryGetRootEntry(os::kIOMasterPortDefault);
  EXPECT_EQ(os::IORegistryEntryGetParentEntry(root, os::kIOServicePlane, &none), os::kIOReturnNoDevice);
  os::IOObjectRelease(root);
}

TEST_F(Registry, AChildIteratorYieldsTheChildrenInOrder) {
  install(ProfileBuilder().entry("IOPCIDevice", {{"IORegistryEntryName", Value("a")}}).entry("IOPCIDevice", {{"IORegistryEntryName", Value("b")}}));
  io_object_t expert = os::IORegistryEntryFromPath(os::kIOMasterPortDefault, "IOService:/TestMachine1,1");
  os::io_iterator_t children = 0;
  ASSERT_EQ(os::IORegistryEntryGetChildIterator(expert, os::kIOServicePlane, &children), os::kIOReturnSuccess);
  EXPECT_EQ(namesFrom(children), (std::vector<std::string>{"a", "b"}));
  os::IOObjectRelease(expert);
}

TEST_F(Registry, ClassAndNameComeFromTheProfile) {
  install(ProfileBuilder().entry("AppleSMC", {{"IORegistryEntryName", Value("SMC0")}}));
  io_object_t smc = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("AppleSMC"));
  std::string className;
  std::string name;
  EXPECT_EQ(os::IOObjectGetClass(smc, &className), os::kIOReturnSuccess);
  EXPECT_EQ(os::IORegistryEntryGetName(smc, &name), os::kIOReturnSuccess);
  EXPECT_EQ(className, "AppleSMC");
  EXPECT_EQ(name, "SMC0");
  os::IOObjectRelease(smc);
}

class RegistryProperties : public Registry {
 protected:
  io_object_t sensor_ = 0;
  void installSensor(Dictionary properties) {
    install(ProfileBuilder().entry("IOHWSensor", std::move(properties)));
    sensor_ = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("IOHWSensor"));
  }
  void TearDown() override {
    os::IOObjectRelease(sensor_);
    Registry::TearDown();
  }
};

TEST_F(RegistryProperties, AWrittenPropertyIsWhatLaterReadsSee) {
  installSensor({{"current-value", Value::integer(2949120)}});
  EXPECT_EQ(os::IORegistryEntrySetCFProperty(sensor_, "current-value", Value::integer(3014656)), os::kIOReturnSuccess);
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "current-value"), Value::integer(3014656));
  EXPECT_EQ(os::IORegistryEntrySetCFProperty(sensor_, "force-update", Value::boolean(true)), os::kIOReturnSuccess);
  std::optional<Dictionary> all;
  ASSERT_EQ(os::IORegistryEntryCreateCFProperties(sensor_, &all), os::kIOReturnSuccess);
  EXPECT_EQ(all->size(), 2u);
  EXPECT_EQ(all->at("force-update"), Value::boolean(true));
}

TEST_F(RegistryProperties, ASignalledPropertyFollowsTheClockUntilItIsWritten) {
  os::ManualClock clock(1000.0);
  Dictionary signal{{"Base", Value::integer(50)}, {"Amplitude", Value::integer(10)}, {"Period", Value::integer(40)}};
  installSensor({{"current-value", Value::integer(0)}, {"@Signals", Value(Dictionary{{"current-value", Value(signal)}})}});
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "current-value"), Value::integer(50));
  clock.advance(10);  // a quarter period: the top of the wave
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "current-value"), Value::integer(60));
  std::optional<Dictionary> all;
  os::IORegistryEntryCreateCFProperties(sensor_, &all);
  EXPECT_EQ(all->at("current-value"), Value::integer(60));
  os::IORegistryEntrySetCFProperty(sensor_, "current-value", Value::integer(7));
  clock.advance(20);
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "current-value"), Value::integer(7));
}

TEST_F(RegistryProperties, ASignalWithoutAPropertyTakesTheKindOfItsBase) {
  os::ManualClock clock(1000.0);
  installSensor({{"@Signals", Value(Dictionary{{"real", Value(Dictionary{{"Base", Value::real(0.25)}})},
                                               {"whole", Value(Dictionary{{"Base", Value::integer(3)}})}})}});
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "real")->kind(), Value::Kind::Real);
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "whole")->kind(), Value::Kind::Integer);
}

TEST_F(RegistryProperties, InstructionsAndEntryKeysAreNoProperties) {
  installSensor({{"IORegistryEntryID", Value::integer(4294968001)}, {"IORegistryEntryLocation", Value("3")},
                 {"@Signals", Value(Dictionary{})}});
  std::optional<Dictionary> all;
  os::IORegistryEntryCreateCFProperties(sensor_, &all);
  EXPECT_TRUE(all->empty()) << Value(*all).description();
  EXPECT_FALSE(os::IORegistryEntryCreateCFProperty(sensor_, "IOObjectClass").has_value());
}

TEST_F(RegistryProperties, TheCPUMonitorStampsItsCoreRecordsWhenAskedToUpdate) {
  os::ManualClock clock(1'700'000'123.7);
  Data status(20 + 2 * 36 + 8, 0);
  status[4] = 2;  // two core records
  installSensor({{"CPUStatus", Value(status)}, {"@Driver", Value("CPUMonitor")}});
  os::IORegistryEntrySetCFProperty(sensor_, "ForceUpdate", Value::boolean(false));
  Data stamped = *os::IORegistryEntryCreateCFProperty(sensor_, "CPUStatus")->asData();
  const std::uint32_t expected = 1'700'000'123;
  for (std::size_t record : {20u, 56u}) {
    std::uint32_t stamp = stamped[record] | stamped[record + 1] << 8 | stamped[record + 2] << 16 |
                          static_cast<std::uint32_t>(stamped[record + 3]) << 24;
    EXPECT_EQ(stamp, expected) << "record at " << record;
  }
  EXPECT_EQ(stamped[92], 0) << "the turbo word after the records stays";
}

TEST_F(RegistryProperties, ACPIMonitorWithAShortStatusBlockIsLeftAlone) {
  Data status(30, 0);
  status[4] = 9;  // claims nine records but holds none whole
  installSensor({{"CPUStatus", Value(status)}, {"@Driver", Value("CPUMonitor")}});
  os::IORegistryEntrySetCFProperty(sensor_, "ForceUpdate", Value::boolean(false));
  EXPECT_EQ(os::IORegistryEntryCreateCFProperty(sensor_, "CPUStatus"), Value(status));
}

}  // namespace
}  // namespace sw::sim
