// The registry entry wrapper on a simulated Mac: lookups, typed getters, the driver class walk,
// and the one-reference-per-wrapper rule.
#include "ioregistry/TKSIORegistryEntry.h"

#include <gtest/gtest.h>

#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;

Value bytes(std::initializer_list<std::uint8_t> list) { return Value(Data(list)); }

std::optional<std::string> tagOf(const std::shared_ptr<TKSIORegistryEntry>& entry) {
  if (!entry) return std::nullopt;
  return entry->stringValueWithName("tag");
}

class RegistryLookup : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder()
                .entry("IOHWSensor", {{"tag", Value("first")}})
                .entry("IOHWControl", {{"tag", Value("control")}})
                .entry("IOHWSensor", {{"tag", Value("second")}})
                .child("IOHWSensor", {{"tag", Value("third")}})
                .deviceTreeEntry("/rom", {{"tag", Value("rom")}})
                .deviceTreeEntry("/rom/boot-rom", {{"tag", Value("boot-rom")}}));
  }
};

TEST_F(RegistryLookup, FindsEveryServiceOfAClassInRegistryOrder) {
  const auto sensors = TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor");
  ASSERT_TRUE(sensors.has_value());
  std::vector<std::optional<std::string>> tags;
  for (const auto& sensor : *sensors) tags.push_back(tagOf(sensor));
  EXPECT_EQ(tags, (std::vector<std::optional<std::string>>{"first", "second", "third"}));
  EXPECT_EQ(machine().heldReferenceCount(), 3U) << "one reference per wrapper, none for the iterator";
}

TEST_F(RegistryLookup, AClassWithoutServicesGivesAnEmptyListAndNoNameGivesNone) {
  const auto none = TKSIORegistryEntry::serviceObjectsMatchingName("AppleSMC");
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->empty());
  EXPECT_EQ(TKSIORegistryEntry::serviceObjectsMatchingName(std::nullopt), std::nullopt);
}

TEST_F(RegistryLookup, FindsAnEntryByPlaneAndPath) {
  EXPECT_EQ(tagOf(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(os::kIODeviceTreePlane, "/rom")), "rom");
  EXPECT_EQ(tagOf(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/boot-rom")),
            "boot-rom");
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/missing"), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(std::nullopt, "/rom"), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", std::nullopt), nullptr);
}

TEST_F(RegistryLookup, ParentAndChildInTheServicePlane) {
  const auto sensors = *TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor");
  const auto& second = sensors[1];
  const auto& third = sensors[2];
  EXPECT_EQ(tagOf(third->parentServiceEntry()), "second");
  EXPECT_EQ(tagOf(second->childServiceEntry()), "third");
  EXPECT_EQ(third->childServiceEntry(), nullptr);
  EXPECT_EQ(TKSIORegistryEntry().parentServiceEntry(), nullptr);
  EXPECT_EQ(TKSIORegistryEntry().childServiceEntry(), nullptr);

  std::shared_ptr<TKSIORegistryEntry> top = third;
  while (auto parent = top->parentServiceEntry()) top = parent;
  EXPECT_NE(top, third) << "the walk must reach the root and stop there";
}

TEST_F(RegistryLookup, EveryWrapperHoldsOneReferenceAndGivesItBack) {
  os::io_iterator_t iterator = 0;
  ASSERT_EQ(os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching("IOHWControl"),
                                             &iterator),
            os::KERN_SUCCESS);
  const os::io_object_t handle = os::IOIteratorNext(iterator);
  os::IOObjectRelease(iterator);
  ASSERT_EQ(machine().heldReferenceCount(), 1U);
  {
    const auto first = TKSIORegistryEntry::createWithIOKitHandle(handle);
    const auto second = TKSIORegistryEntry::createWithIOKitHandle(handle);
    EXPECT_EQ(machine().heldReferenceCount(), 3U);
    EXPECT_EQ(first->ioKitHandle(), handle);
    (void)first->driverClassName();
    (void)first->parentServiceEntry();
    (void)first->childServiceEntry();
    (void)first->properties();
    EXPECT_EQ(machine().heldReferenceCount(), 3U) << "a getter kept a temporary reference";
  }
  EXPECT_EQ(machine().heldReferenceCount(), 1U);
  os::IOObjectRelease(handle);
}

TEST_F(RegistryLookup, NoWrapperForHandleZeroOrAHandleThatIsNoLongerLive) {
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(0), nullptr);
  os::io_object_t handle = 0;
  {
    const auto entry = TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom");
    handle = entry->ioKitHandle();
  }
  // Wrapping a dead handle would later give back a reference the wrapper never held.
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(handle), nullptr);
}

class RegistryGetters : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder().entry(
        "AppleSmartBattery",
        {{"Name", Value("Battery")},
         {"Terminated", bytes({'a', 'b', 'c', 0, 'd', 'e', 'f'})},
         {"Unterminated", bytes({'a', 'b', 'c'})},
         {"EmptyData", bytes({})},
         {"MacRoman", bytes({0x80, 'x', 0})},
         {"Voltage", Value::integer(12400)},
         {"Register", Value::integer(0xFFFFFFFFLL)},
         {"Wide", Value::integer(0x100000005LL)},
         {"Ratio", Value::real(2.9)},
         {"Huge", Value::real(1e12)},
         {"Flag", Value::boolean(true)},
         {"Cells", Value(Array{Value::integer(1), Value::integer(2)})}}));
    entry = (*TKSIORegistryEntry::serviceObjectsMatchingName("AppleSmartBattery"))[0];
  }
  void TearDown() override {
    entry.reset();
    SimulatedMachineTest::TearDown();
  }
  std::shared_ptr<TKSIORegistryEntry> entry;
};

TEST_F(RegistryGetters, StringsComeFromTextsAndZeroTerminatedData) {
  const std::vector<std::pair<const char*, std::optional<std::string>>> cases = {
      {"Name", "Battery"},  {"Terminated", "abc"},         {"Unterminated", "abc"},
      {"EmptyData", ""},    {"MacRoman", "\xC3\x84x"},     {"Voltage", std::nullopt},
      {"Cells", std::nullopt}, {"Missing", std::nullopt},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(entry->stringValueWithName(name), expected) << name;
  EXPECT_EQ(entry->stringValueWithName(std::nullopt), std::nullopt);
}

TEST_F(RegistryGetters, IntegersAreMinusOneForAnythingButANumber) {
  const std::vector<std::pair<const char*, std::int32_t>> cases = {
      {"Voltage", 12400}, {"Register", -1}, {"Wide", 5},     {"Ratio", 2},  {"Huge", 2147483647},
      {"Name", -1},       {"Flag", -1},     {"Cells", -1},   {"Missing", -1},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(entry->intValueWithName(name), expected) << name;
}

TEST_F(RegistryGetters, PresenceArraysAndTheWholeDictionary) {
  EXPECT_TRUE(entry->hasValueWithName("Flag"));
  EXPECT_FALSE(entry->hasValueWithName("Missing"));
  EXPECT_FALSE(entry->hasValueWithName(std::nullopt));
  EXPECT_EQ(entry->arrayValueWithName("Cells"), (Array{Value::integer(1), Value::integer(2)}));
  EXPECT_EQ(entry->arrayValueWithName("Name"), std::nullopt);
  const auto properties = entry->properties();
  ASSERT_TRUE(properties.has_value());
  EXPECT_EQ(properties->at("Voltage"), Value::integer(12400));
  EXPECT_EQ(entry->description(), "TKSIORegistryEntry: " + Value(*properties).description() + "\n");
}

TEST_F(RegistryGetters, GettersSeeTheRegistryAsItIsNow) {
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "Voltage", Value::integer(11000));
  EXPECT_EQ(entry->intValueWithName("Voltage"), 11000);
}

TEST(UnboundRegistryEntry, AnswersWithTheFailureResults) {
  const TKSIORegistryEntry entry;
  EXPECT_EQ(entry.ioKitHandle(), 0U);
  EXPECT_EQ(entry.properties(), std::nullopt);
  EXPECT_FALSE(entry.hasValueWithName("Name"));
  EXPECT_EQ(entry.stringValueWithName("Name"), std::nullopt);
  EXPECT_EQ(entry.intValueWithName("Name"), -1);
  EXPECT_EQ(entry.arrayValueWithName("Name"), std::nullopt);
  EXPECT_EQ(entry.subEntriesWithName("Name"), std::nullopt);
  EXPECT_EQ(entry.driverClassName(), std::nullopt);
  EXPECT_EQ(entry.description(), "TKSIORegistryEntry: (null)\n");
}

class DriverClassName : public test::SimulatedMachineTest {
 protected:
  static std::optional<std::string> driverOf(const char* className) {
    const auto entries = *TKSIORegistryEntry::serviceObjectsMatchingName(className);
    if (entries.size() != 1) {
      ADD_FAILURE() << entries.size() << " entries of class " << className;
      return std::nullopt;
    }
    return entries[0]->driverClassName();
  }
};

TEST_F(DriverClassName, WalksUpToTheFirstEntryWithABundleIdentifier) {
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
  EXPECT_EQ(driverOf("AppleLPC"), "AppleLPC") << "an entry that carries a bundle identifier names itself";
  EXPECT_EQ(driverOf("IOHWSensorReading"), "AppleHWSensorHub") << "the nearest ancestor wins";
  EXPECT_EQ(driverOf("IOPCIDevice"), std::nullopt) << "no ancestor with a bundle identifier";
  EXPECT_EQ(driverOf("IOHWFanController"), std::nullopt) << "an IOClass that is no string";
}

}  // namespace
}  // namespace sw
