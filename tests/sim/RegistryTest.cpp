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
using Names = std::vector<std::string>;

class Registry : public test::SimulatedMachineTest {
 protected:
  /// The names of the services matching a class, in registry order; every handle given back.
  Names matchingNames(const std::string& className) {
    os::io_iterator_t iterator = 0;
    EXPECT_EQ(os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching(className), &iterator),
              os::kIOReturnSuccess);
    return namesFrom(iterator);
  }

  /// The names of what an iterator yields; the iterator and every entry are given back.
  static Names namesFrom(os::io_iterator_t iterator) {
    Names names;
    while (io_object_t entry = os::IOIteratorNext(iterator)) names.push_back(nameOf(entry));
    EXPECT_EQ(os::IOIteratorNext(iterator), 0u) << "an iterator stays at its end";
    os::IOObjectRelease(iterator);
    return names;
  }

  /// The entry's name; the entry is given back.
  static std::string nameOf(io_object_t entry) {
    if (entry == 0) return "(none)";
    std::string name;
    os::IORegistryEntryGetName(entry, &name);
    os::IOObjectRelease(entry);
    return name;
  }

  std::string nameAt(const std::string& path) {
    return nameOf(os::IORegistryEntryFromPath(os::kIOMasterPortDefault, path));
  }
};

TEST_F(Registry, MatchingFindsEverySubclassInRegistryOrderAndNeverTheRoot) {
  EXPECT_EQ(matchingNames("IORegistryEntry"), Names{"TestMachine1,1"});
  io_object_t root = os::IORegistryGetRootEntry(os::kIOMasterPortDefault);
  EXPECT_TRUE(os::IOObjectConformsTo(root, "IORegistryEntry"));
  EXPECT_FALSE(os::IOObjectConformsTo(root, "IOService"));
  os::IOObjectRelease(root);

  install(ProfileBuilder()
              .entry("IOAHCIBlockStorageDevice", {{"IORegistryEntryName", Value("sata")}})
              .entry("IOATABlockStorageDevice", {{"IORegistryEntryName", Value("pata")}})
              .entry("IOMedia")
              .child("AppleUSBMassStorage", {{"IORegistryEntryName", Value("usb")}})
              .superclass("AppleUSBMassStorage", "IOBlockStorageDevice")
              .entry("com_quorvel_driver_QUORVELx86Monitoring", {{"IORegistryEntryName", Value("unknown")}}));
  EXPECT_EQ(matchingNames("IOBlockStorageDevice"), (Names{"sata", "pata", "usb"}));
  EXPECT_EQ(matchingNames("IOATABlockStorageDevice"), Names{"pata"});
  // A class no table knows is a service but nothing else.
  EXPECT_EQ(matchingNames("com_quorvel_driver_QUORVELx86Monitoring"), Names{"unknown"});
  EXPECT_EQ(matchingNames("IOService").size(), 6u);

  os::io_iterator_t iterator = 0;
  EXPECT_EQ(os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, Dictionary{{"IONameMatch", Value("x")}}, &iterator),
            os::kIOReturnBadArgument);
  EXPECT_EQ(iterator, 0u);
}

TEST_F(Registry, PathsAreFoundByNameOrByNameAndLocationInEitherPlane) {
  EXPECT_EQ(nameAt("IODeviceTree:/"), "(none)") << "a machine without a device tree";
  install(ProfileBuilder()
              .entry("IOACPIPlatformDevice", {{"IORegistryEntryName", Value("SMC")}, {"IORegistryEntryLocation", Value("0")}})
              .child("AppleSMC")
              .deviceTreeEntry("/rom", {{"IORegistryEntryLocation", Value("0")}})
              .deviceTreeEntry("/rom/boot-rom", {{"model", Value("$0005.16f4")}}));
  const std::pair<const char*, const char*> kPaths[] = {
      {"IOService:/TestMachine1,1/SMC/AppleSMC", "AppleSMC"}, {"IOService:/TestMachine1,1/SMC@0/AppleSMC", "AppleSMC"},
      {"IOService:/", "Root"},                                {"IODeviceTree:/rom/boot-rom", "boot-rom"},
      {"IODeviceTree:/rom@0", "rom"},                         {"IODeviceTree:/", "device-tree"},
      {"IODeviceTree:/rom@1", "(none)"},                      {"IODeviceTree:/TestMachine1,1", "(none)"},
      {"IOPower:/", "(none)"},                                {"/rom", "(none)"},
      {"IODeviceTree:rom", "(none)"},
  };
  for (const auto& [path, name] : kPaths) EXPECT_EQ(nameAt(path), name) << path;

  // A device tree dumped from the registry root has its paths from the device tree down.
  Value rom = ProfileBuilder::registryEntry("IOService", {{"IORegistryEntryName", Value("rom")}});
  Value deviceTree = ProfileBuilder::registryEntry("IOPlatformExpertDevice", {{"IORegistryEntryName", Value("device-tree")}}, {rom});
  install(ProfileBuilder().section(
      "IODeviceTree", ProfileBuilder::registryEntry("IORegistryEntry", {{"IORegistryEntryName", Value("Root")}}, {deviceTree})));
  EXPECT_EQ(nameAt("IODeviceTree:/"), "device-tree");
  EXPECT_EQ(nameAt("IODeviceTree:/rom"), "rom");
}

TEST_F(Registry, ParentsAndChildrenStayInTheirPlaneAndComeInOrder) {
  install(ProfileBuilder()
              .entry("AppleSmartBatteryManager", {{"IORegistryEntryName", Value("manager")}})
              .child("AppleSmartBattery")
              .entry("IOPCIDevice", {{"IORegistryEntryName", Value("b")}})
              .deviceTreeEntry("/rom"));
  io_object_t battery = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("AppleSmartBattery"));
  io_object_t manager = 0, child = 0, expert = 0, none = 0;
  ASSERT_EQ(os::IORegistryEntryGetParentEntry(battery, os::kIOServicePlane, &manager), os::kIOReturnSuccess);
  ASSERT_EQ(os::IORegistryEntryGetChildEntry(manager, os::kIOServicePlane, &child), os::kIOReturnSuccess);
  EXPECT_EQ(child, battery) << "one entry has one handle while it is held";
  EXPECT_EQ(os::IORegistryEntryGetParentEntry(battery, os::kIODeviceTreePlane, &none), os::kIOReturnNoDevice);
  EXPECT_EQ(none, 0u);
  os::io_iterator_t children = 0;
  ASSERT_EQ(os::IORegistryEntryGetParentEntry(manager, os::kIOServicePlane, &expert), os::kIOReturnSuccess);
  ASSERT_EQ(os::IORegistryEntryGetChildIterator(expert, os::kIOServicePlane, &children), os::kIOReturnSuccess);
  EXPECT_EQ(namesFrom(children), (Names{"manager", "b"}));
  for (io_object_t handle : {battery, manager, child, expert}) os::IOObjectRelease(handle);
}

class RegistryProperties : public Registry {
 protected:
  io_object_t sensor_ = 0;
  void installSensor(Dictionary properties) {
    install(ProfileBuilder().entry("IOHWSensor", std::move(properties)));
    sensor_ = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("IOHWSensor"));
  }
  std::optional<Value> read(const char* key) { return os::IORegistryEntryCreateCFProperty(sensor_, key); }
  Dictionary readAll() {
    std::optional<Dictionary> all;
    EXPECT_EQ(os::IORegistryEntryCreateCFProperties(sensor_, &all), os::kIOReturnSuccess);
    return all.value_or(Dictionary{});
  }
  void TearDown() override {
    os::IOObjectRelease(sensor_);
    Registry::TearDown();
  }
};

TEST_F(RegistryProperties, AWrittenPropertyIsWhatLaterReadsSeeAndInstructionsAndEntryKeysAreNone) {
  installSensor({{"current-value", Value::integer(2949120)}, {"IORegistryEntryID", Value::integer(4294968001)},
                 {"IORegistryEntryLocation", Value("3")}, {"@Signals", Value(Dictionary{})}});
  EXPECT_FALSE(read("IOObjectClass").has_value());
  EXPECT_EQ(os::IORegistryEntrySetCFProperty(sensor_, "current-value", Value::integer(3014656)), os::kIOReturnSuccess);
  EXPECT_EQ(read("current-value"), Value::integer(3014656));
  EXPECT_EQ(os::IORegistryEntrySetCFProperty(sensor_, "force-update", Value::boolean(true)), os::kIOReturnSuccess);
  EXPECT_EQ(readAll(), (Dictionary{{"current-value", Value::integer(3014656)}, {"force-update", Value::boolean(true)}}));
}

TEST_F(RegistryProperties, ASignalledPropertyFollowsTheClockUntilItIsWritten) {
  os::ManualClock clock(1000.0);
  Dictionary signal{{"Base", Value::integer(50)}, {"Amplitude", Value::integer(10)}, {"Period", Value::integer(40)}};
  installSensor({{"current-value", Value::integer(0)},
                 {"@Signals", Value(Dictionary{{"current-value", Value(signal)},
                                               {"real", Value(Dictionary{{"Base", Value::real(0.25)}})}})}});
  EXPECT_EQ(read("current-value"), Value::integer(50));
  EXPECT_EQ(read("real")->kind(), Value::Kind::Real) << "a signal without a property takes the kind of its base";
  clock.advance(10);  // a quarter period: the top of the wave
  EXPECT_EQ(read("current-value"), Value::integer(60));
  EXPECT_EQ(readAll().at("current-value"), Value::integer(60));
  os::IORegistryEntrySetCFProperty(sensor_, "current-value", Value::integer(7));
  clock.advance(20);
  EXPECT_EQ(read("current-value"), Value::integer(7));
}

TEST_F(RegistryProperties, TheCPUMonitorStampsItsCoreRecordsWhenAskedToUpdateAndLeavesAShortBlockAlone) {
  os::ManualClock clock(1'700'000'123.7);
  Data status(20 + 2 * 36 + 8, 0);
  status[4] = 2;  // two core records
  installSensor({{"CPUStatus", Value(status)}, {"@Driver", Value("CPUMonitor")}});
  os::IORegistryEntrySetCFProperty(sensor_, "ForceUpdate", Value::boolean(false));
  Data stamped = *read("CPUStatus")->asData();
  for (std::size_t record : {20u, 56u}) {
    EXPECT_EQ(Data(stamped.begin() + record, stamped.begin() + record + 4), (Data{0x7B, 0xF1, 0x53, 0x65}))
        << "1'700'000'123, little-endian, at " << record;
  }
  EXPECT_EQ(stamped[92], 0) << "the turbo word after the records stays";

  Data shortStatus(30, 0);
  shortStatus[4] = 9;  // claims nine records but holds none whole
  os::IOObjectRelease(sensor_);
  installSensor({{"CPUStatus", Value(shortStatus)}, {"@Driver", Value("CPUMonitor")}});
  os::IORegistryEntrySetCFProperty(sensor_, "ForceUpdate", Value::boolean(false));
  EXPECT_EQ(read("CPUStatus"), Value(shortStatus));
}

TEST_F(RegistryProperties, TheCPUMonitorRefreshesSignalledFieldsOfItsRecordsWhichAreNoProperties) {
  os::ManualClock clock(1'700'000'000.0);
  Data status(20 + 2 * 36 + 8, 0);
  status[4] = 2;
  status[20 + 36 + 8] = 40;  // core 1's readout, which has no signal
  status[20 + 12 + 2] = 0x80;  // core 0's status word: bit 23 is no part of the ratio and stays
  Dictionary wave{{"Base", Value::integer(30)}, {"Amplitude", Value::integer(10)}, {"Period", Value::integer(40)}};
  Dictionary ratio{{"Base", Value::real(7.5)}, {"Amplitude", Value::real(1)}, {"Period", Value::integer(40)}};
  installSensor({{"CPUStatus", Value(status)},
                 {"@Driver", Value("CPUMonitor")},
                 {"@Signals", Value(Dictionary{{"CPUStatus.Core0.ThermalReadout", Value(wave)},
                                               {"CPUStatus.Core0.CurrentRatio", Value(ratio)},
                                               {"CPUStatus.Core7.ThermalReadout", Value(wave)}})}});
  EXPECT_EQ(readAll(), (Dictionary{{"CPUStatus", Value(status)}})) << "nothing changes before the driver is asked";
  // Core 0's readout, its status word bytes 1 and 2 (ratio, half-ratio bit), core 1's readout.
  auto refreshed = [&] {
    os::IORegistryEntrySetCFProperty(sensor_, "ForceUpdate", Value::boolean(false));
    Data block = *read("CPUStatus")->asData();
    return std::vector<int>{block[20 + 8], block[20 + 12 + 1], block[20 + 12 + 2], block[20 + 36 + 8]};
  };
  EXPECT_EQ(refreshed(), (std::vector<int>{30, 0x47, 0x80, 40})) << "ratio 7 and a half";
  clock.advance(10);  // a quarter period on: the top of the wave
  EXPECT_EQ(refreshed(), (std::vector<int>{40, 0x48, 0x80, 40})) << "ratio 8 and a half";
}

}  // namespace
}  // namespace sw::sim
