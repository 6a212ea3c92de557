// The registry entry wrapper on a simulated Mac: lookups, typed getters, the driver class walk,
// and the one-reference-per-wrapper rule.
#include "ioregistry/TKSIORegistryEntry.h"

#include <gtest/gtest.h>

#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;

std::optional<std::string> tagOf(const std::shared_ptr<TKSIORegistryEntry>& entry) {
  if (!entry) return std::nullopt;
  return entry->stringValueWithName("tag");
}

std::shared_ptr<TKSIORegistryEntry> onlyService(const char* className) {
  const auto entries = *TKSIORegistryEntry::serviceObjectsMatchingName(className);
  if (entries.size() == 1) return entries[0];
  ADD_FAILURE() << entries.size() << " entries of class " << className;
  return nullptr;
}

class RegistryLookup : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder()
                .entry("IOHWSensor", {{"tag", Value("first")}})
                .entry("IOHWControl")
                .entry("IOHWSensor", {{"tag", Value("second")}})
                .child("IOHWSensor", {{"tag", Value("third")}})
                .deviceTreeEntry("/rom/boot-rom", {{"tag", Value("boot-rom")}}));
  }
};

TEST_F(RegistryLookup, FindsEveryServiceOfAClassInRegistryOrder) {
  const auto sensors = TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor").value();
  std::vector<std::optional<std::string>> tags;
  for (const auto& sensor : sensors) tags.push_back(tagOf(sensor));
  EXPECT_EQ(tags, (std::vector<std::optional<std::string>>{"first", "second", "third"}));
  EXPECT_EQ(TKSIORegistryEntry::serviceObjectsMatchingName("AppleSMC"), RegistryEntryList{}) << "empty, not nil";
  EXPECT_EQ(TKSIORegistryEntry::serviceObjectsMatchingName(std::nullopt), std::nullopt);
}

TEST_F(RegistryLookup, FindsAnEntryByPlaneAndPath) {
  EXPECT_EQ(tagOf(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/boot-rom")),
            "boot-rom");
  EXPECT_NE(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom"), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/missing"), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(std::nullopt, "/rom"), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", std::nullopt), nullptr);
}

TEST_F(RegistryLookup, ParentAndChildInTheServicePlane) {
  const auto sensors = *TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor");
  EXPECT_EQ(tagOf(sensors[2]->parentServiceEntry()), "second");
  EXPECT_EQ(tagOf(sensors[1]->childServiceEntry()), "third");
  EXPECT_EQ(sensors[2]->childServiceEntry(), nullptr);
  std::shared_ptr<TKSIORegistryEntry> top = sensors[2];
  while (auto parent = top->parentServiceEntry()) top = parent;  // must stop at the root
}

TEST_F(RegistryLookup, EveryWrapperHoldsOneReferenceAndGivesItBack) {
  const os::io_object_t handle = os::IORegistryEntryFromPath(os::kIOMasterPortDefault, "IODeviceTree:/rom");
  ASSERT_EQ(machine().heldReferenceCount(), 1U);
  {
    const auto first = TKSIORegistryEntry::createWithIOKitHandle(handle);
    const auto second = TKSIORegistryEntry::createWithIOKitHandle(handle);
    EXPECT_EQ(first->ioKitHandle(), handle);
    (void)first->driverClassName();
    (void)first->parentServiceEntry();
    (void)first->childServiceEntry();
    (void)first->subEntriesWithName("tag");
    EXPECT_EQ(machine().heldReferenceCount(), 3U) << "two wrappers, and no temporary left held";
  }
  EXPECT_EQ(machine().heldReferenceCount(), 1U);
  os::IOObjectRelease(handle);
  // Wrapping a dead handle would later give back a reference the wrapper never held.
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(handle), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(0), nullptr);
}

class RegistryGetters : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder().entry("AppleSmartBattery",
                                   {{"Name", Value("Battery")},
                                    {"Terminated", Value(Data{'a', 'b', 'c', 0, 'd'})},
                                    {"Unterminated", Value(Data{'a', 'b', 'c'})},
                                    {"MacRoman", Value(Data{0x80, 'x'})},
                                    {"Voltage", Value::integer(12400)},
                                    {"Register", Value::integer(0xFFFFFFFFLL)},
                                    {"Ratio", Value::real(2.9)},
                                    {"Huge", Value::real(1e12)},
                                    {"Flag", Value::boolean(true)},
                                    {"Cells", Value(Array{Value::integer(1)})}}));
    entry = onlyService("AppleSmartBattery");
  }
  void TearDown() override {
    entry.reset();
    SimulatedMachineTest::TearDown();
  }
  std::shared_ptr<TKSIORegistryEntry> entry;
};

TEST_F(RegistryGetters, StringsComeFromTextsAndZeroTerminatedData) {
  const std::vector<std::pair<const char*, std::optional<std::string>>> cases = {
      {"Name", "Battery"},       {"Terminated", "abc"}, {"Unterminated", "abc"}, {"MacRoman", "\xC3\x84x"},
      {"Voltage", std::nullopt}, {"Missing", std::nullopt}};
  for (const auto& [name, expected] : cases) EXPECT_EQ(entry->stringValueWithName(name), expected) << name;
}

TEST_F(RegistryGetters, IntegersAreMinusOneForAnythingButANumber) {
  const std::vector<std::pair<const char*, std::int32_t>> cases = {
      {"Voltage", 12400}, {"Register", -1}, {"Ratio", 2},    {"Huge", 2147483647},
      {"Name", -1},       {"Flag", -1},     {"Cells", -1},   {"Missing", -1}};
  for (const auto& [name, expected] : cases) EXPECT_EQ(entry->intValueWithName(name), expected) << name;
}

TEST_F(RegistryGetters, ReadTheRegistryAsItIsNow) {
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "Voltage", Value::integer(11000));
  EXPECT_EQ(entry->intValueWithName("Voltage"), 11000);
  EXPECT_TRUE(entry->hasValueWithName("Flag"));
  EXPECT_FALSE(entry->hasValueWithName("Missing"));
  EXPECT_EQ(entry->arrayValueWithName("Name"), std::nullopt);
  EXPECT_EQ(entry->description(), "TKSIORegistryEntry: " + Value(*entry->properties()).description() + "\n");
}

TEST(UnboundRegistryEntry, AnswersWithTheFailureResults) {
  const TKSIORegistryEntry entry;
  EXPECT_FALSE(entry.hasValueWithName("Name"));
  EXPECT_EQ(entry.stringValueWithName("Name"), std::nullopt);
  EXPECT_EQ(entry.intValueWithName("Name"), -1);
  EXPECT_EQ(entry.driverClassName(), std::nullopt);
  EXPECT_EQ(entry.parentServiceEntry(), nullptr);
  EXPECT_EQ(entry.description(), "TKSIORegistryEntry: (null)\n");
}

TEST_F(RegistryLookup, DriverClassNameIsTheNearestBundleCarriersClass) {
  install(ProfileBuilder()
              .entry("AppleLPC", {{"CFBundleIdentifier", Value("com.apple.driver.AppleLPC")},
                                  {"IOClass", Value("AppleLPC")}})
              .child("IOHWSensorHub", {{"CFBundleIdentifier", Value("com.apple.driver.Hub")},
                                       {"IOClass", Value("AppleHWSensorHub")}})
              .child("IOHWSensor")
              .child("IOHWSensorReading")
              .entry("IOPCIDevice")
              .child("IOHWFanController", {{"CFBundleIdentifier", Value("com.apple.driver.Fan")},
                                           {"IOClass", Value::integer(3)}}));
  EXPECT_EQ(onlyService("AppleLPC")->driverClassName(), "AppleLPC") << "a bundle carrier names itself";
  EXPECT_EQ(onlyService("IOHWSensorReading")->driverClassName(), "AppleHWSensorHub") << "the nearest wins";
  EXPECT_EQ(onlyService("IOPCIDevice")->driverClassName(), std::nullopt) << "no bundle carrier above";
  EXPECT_EQ(onlyService("IOHWFanController")->driverClassName(), std::nullopt) << "IOClass is no string";
}

}  // namespace
}  // namespace sw
