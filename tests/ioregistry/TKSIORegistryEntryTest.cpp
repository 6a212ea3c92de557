// The registry entry wrapper and its sub-entries on a simulated Mac: lookups, typed getters, the
// driver class walk, elements of array properties, and the one-reference-per-wrapper rule.
#include "ioregistry/TKSIORegistryEntry.h"

#include <gtest/gtest.h>

#include "ioregistry/TKSIORegistrySubEntry.h"
#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;
using Tags = std::vector<std::optional<std::string>>;

Tags tagsOf(const RegistryEntryList& entries) {
  Tags tags;
  for (const auto& entry : entries) tags.push_back(entry ? entry->stringValueWithName("tag") : std::nullopt);
  return tags;
}

Value cell(std::int64_t voltage) {
  return Value(Dictionary{{"Voltage", Value::integer(voltage)}, {"Name", Value("Cell")}, {"Serial", Value(Data{'s'})}});
}

class RegistryEntries : public test::SimulatedMachineTest {
 protected:
  std::shared_ptr<TKSIORegistryEntry> onlyService(const char* className) {
    const auto entries = TKSIORegistryEntry::serviceObjectsMatchingName(className).value();
    EXPECT_EQ(entries.size(), 1U) << className;
    return entries.empty() ? nullptr : entries[0];
  }
};

TEST_F(RegistryEntries, LookupsFollowRegistryOrderAndHoldOneReferencePerWrapper) {
  install(ProfileBuilder()
              .entry("IOHWSensor", {{"tag", Value("first")}})
              .entry("IOHWControl")
              .entry("IOHWSensor", {{"tag", Value("second")}})
              .child("IOHWSensor", {{"tag", Value("third")}})
              .deviceTreeEntry("/rom/boot-rom", {{"tag", Value("boot-rom")}}));
  const auto sensors = TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor").value();
  EXPECT_EQ(tagsOf(sensors), (Tags{"first", "second", "third"}));
  const auto& third = sensors[2];
  EXPECT_EQ(tagsOf({third->parentServiceEntry(), sensors[1]->childServiceEntry(), third->childServiceEntry()}),
            (Tags{"second", "third", std::nullopt}));
  std::shared_ptr<TKSIORegistryEntry> top = third;
  while (auto parent = top->parentServiceEntry()) top = parent;  // must stop at the root
  EXPECT_EQ(TKSIORegistryEntry::serviceObjectsMatchingName("AppleSMC"), RegistryEntryList{}) << "empty, not nil";
  EXPECT_EQ(TKSIORegistryEntry::serviceObjectsMatchingName(std::nullopt), std::nullopt);
  EXPECT_EQ(tagsOf({TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/boot-rom"),
                    TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", "/rom/missing"),
                    TKSIORegistryEntry::registryEntryInPlaneAbsolutePath(std::nullopt, "/rom"),
                    TKSIORegistryEntry::registryEntryInPlaneAbsolutePath("IODeviceTree", std::nullopt)}),
            (Tags{"boot-rom", std::nullopt, std::nullopt, std::nullopt}));

  const os::io_object_t handle = os::IORegistryEntryFromPath(os::kIOMasterPortDefault, "IODeviceTree:/rom");
  const std::size_t held = machine().heldReferenceCount();
  {
    const auto first = TKSIORegistryEntry::createWithIOKitHandle(handle);
    const auto second = TKSIORegistryEntry::createWithIOKitHandle(handle);
    EXPECT_EQ(first->ioKitHandle(), handle);
    (void)first->driverClassName();
    (void)first->parentServiceEntry();
    (void)first->childServiceEntry();
    (void)first->subEntriesWithName("tag");
    EXPECT_EQ(machine().heldReferenceCount(), held + 2) << "two wrappers, and no temporary left held";
  }
  EXPECT_EQ(machine().heldReferenceCount(), held);
  os::IOObjectRelease(handle);
  // Wrapping a dead handle would later give back a reference the wrapper never held.
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(handle), nullptr);
  EXPECT_EQ(TKSIORegistryEntry::createWithIOKitHandle(0), nullptr);
}

TEST_F(RegistryEntries, GettersReadTheRegistryAsItIsNowAndGiveMinusOneOrNilForOtherKinds) {
  install(ProfileBuilder().entry("AppleSmartBattery",
                                 {{"Name", Value("Battery")}, {"Terminated", Value(Data{'a', 'b', 'c', 0, 'd'})},
                                  {"Unterminated", Value(Data{'a', 'b', 'c'})}, {"MacRoman", Value(Data{0x80, 'x'})},
                                  {"Voltage", Value::integer(12400)}, {"Register", Value::integer(0xFFFFFFFFLL)},
                                  {"Ratio", Value::real(2.9)}, {"Huge", Value::real(1e12)},
                                  {"Flag", Value::boolean(true)}, {"Cells", Value(Array{Value::integer(1)})}}));
  const auto entry = onlyService("AppleSmartBattery");
  const std::pair<const char*, std::optional<std::string>> strings[] = {
      {"Name", "Battery"},       {"Terminated", "abc"}, {"Unterminated", "abc"}, {"MacRoman", "\xC3\x84x"},
      {"Voltage", std::nullopt}, {"Missing", std::nullopt}};
  for (const auto& [name, expected] : strings) EXPECT_EQ(entry->stringValueWithName(name), expected) << name;
  const std::pair<const char*, std::int32_t> integers[] = {
      {"Voltage", 12400}, {"Register", -1}, {"Ratio", 2}, {"Huge", 2147483647},
      {"Name", -1},       {"Flag", -1},     {"Cells", -1}, {"Missing", -1}};
  for (const auto& [name, expected] : integers) EXPECT_EQ(entry->intValueWithName(name), expected) << name;
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "Voltage", Value::integer(11000));
  EXPECT_EQ(entry->intValueWithName("Voltage"), 11000);
  EXPECT_EQ(entry->arrayValueWithName("Name"), std::nullopt);
  EXPECT_EQ(entry->description(), "TKSIORegistryEntry: " + Value(*entry->properties()).description() + "\n");

  const TKSIORegistryEntry unbound;
  EXPECT_EQ(unbound.stringValueWithName("Name"), std::nullopt);
  EXPECT_EQ(unbound.intValueWithName("Name"), -1);
  EXPECT_EQ(unbound.driverClassName(), std::nullopt);
  EXPECT_EQ(unbound.description(), "TKSIORegistryEntry: (null)\n");
}

TEST_F(RegistryEntries, DriverClassNameIsTheNearestBundleCarriersClass) {
  const auto carrier = [](const char* bundle, Value ioClass) {
    return Dictionary{{"CFBundleIdentifier", Value(bundle)}, {"IOClass", std::move(ioClass)}};
  };
  install(ProfileBuilder()
              .entry("AppleLPC", carrier("com.apple.driver.AppleLPC", Value("AppleLPC")))
              .child("IOHWSensorHub", carrier("com.apple.driver.Hub", Value("AppleHWSensorHub")))
              .child("IOHWSensor")
              .child("IOHWSensorReading")
              .entry("IOPCIDevice")
              .child("IOHWFanController", carrier("com.apple.driver.Fan", Value::integer(3))));
  EXPECT_EQ(onlyService("AppleLPC")->driverClassName(), "AppleLPC") << "a bundle carrier names itself";
  EXPECT_EQ(onlyService("IOHWSensorReading")->driverClassName(), "AppleHWSensorHub") << "the nearest wins";
  EXPECT_EQ(onlyService("IOPCIDevice")->driverClassName(), std::nullopt) << "no bundle carrier above";
  EXPECT_EQ(onlyService("IOHWFanController")->driverClassName(), std::nullopt) << "IOClass is no string";
}

TEST_F(RegistryEntries, SubEntriesAreOnePerDictionaryElementOrNoneForAnArrayWithAnotherKindOfElement) {
  install(ProfileBuilder().entry("AppleSmartBattery",
                                 {{"IOBatteryInfo", Value(Array{cell(4100), cell(4200), cell(4300)})},
                                  {"Mixed", Value(Array{cell(1), Value::integer(2), cell(3)})},
                                  {"Empty", Value(Array{})},
                                  {"Dictionary", cell(0)}}));
  const auto entry = onlyService("AppleSmartBattery");
  const auto subEntries = entry->subEntriesWithName("IOBatteryInfo").value();
  ASSERT_EQ(subEntries.size(), 3U);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(subEntries[i]->index(), i);
    EXPECT_EQ(subEntries[i]->intValueWithName("Voltage"), 4100 + 100 * static_cast<std::int32_t>(i));
  }
  EXPECT_EQ(entry->subEntriesWithName("Mixed"), std::nullopt) << "second element is a number";
  EXPECT_EQ(entry->subEntriesWithName("Dictionary"), std::nullopt);
  EXPECT_EQ(entry->subEntriesWithName("Empty"), RegistrySubEntryList{});
  EXPECT_EQ(subEntries[0]->subEntriesWithName("IOBatteryInfo"), std::nullopt) << "sub-entries have none";

  const auto& first = subEntries[0];  // its getters give 0 and nil where the entry's give -1
  EXPECT_EQ(first->intValueWithName("Missing"), 0);
  EXPECT_EQ(first->intValueWithName("Name"), 0);
  EXPECT_EQ(first->intValueWithName(std::nullopt), 0);
  EXPECT_EQ(first->stringValueWithName("Name"), "Cell");
  EXPECT_EQ(first->stringValueWithName("Serial"), std::nullopt) << "data is not read as text in a sub-entry";
  EXPECT_FALSE(first->hasValueWithName("Mixed")) << "keys of the entry are not keys of the element";
  EXPECT_EQ(first->arrayValueWithName("Mixed")->size(), 3U) << "inherited getters read the entry itself";
  EXPECT_EQ(first->description(),
            "Sub-entry: IOBatteryInfo Index: 0: Contents " + Value(*first->properties()).description() + "\n");
}

TEST_F(RegistryEntries, SubEntriesShowTheCurrentElementHoldTheirOwnReferenceAndTurnEmptyWhenTheArrayShrinks) {
  install(ProfileBuilder().entry("AppleSmartBattery", {{"IOBatteryInfo", Value(Array{cell(4100), cell(4200)})}}));
  auto entry = onlyService("AppleSmartBattery");
  const auto second = TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(entry.get(), "IOBatteryInfo", 1);
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "IOBatteryInfo", Value(Array{cell(1), cell(3900)}));
  EXPECT_EQ(second->intValueWithName("Voltage"), 3900);
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "IOBatteryInfo", Value(Array{cell(1), Value("text")}));
  EXPECT_EQ(second->properties(), std::nullopt) << "an element that is no dictionary";
  os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "IOBatteryInfo", Value(Array{cell(1)}));
  EXPECT_EQ(second->properties(), std::nullopt) << "index equal to the new length";
  entry.reset();
  EXPECT_EQ(machine().heldReferenceCount(), 1U);
  EXPECT_EQ(second->intValueWithName("Voltage"), 0);

  const TKSIORegistryEntry unbound;
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(nullptr, "IOBatteryInfo", 0), nullptr);
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(&unbound, "IOBatteryInfo", 0), nullptr);
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(second.get(), std::nullopt, 0), nullptr);
}

}  // namespace
}  // namespace sw
