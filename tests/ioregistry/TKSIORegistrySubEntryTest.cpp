// Sub-entries: elements of an array property read through the entry getters, always current.
#include "ioregistry/TKSIORegistrySubEntry.h"

#include <gtest/gtest.h>

#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

Value cell(std::int64_t voltage) {
  return Value(Dictionary{{"Voltage", Value::integer(voltage)}, {"Name", Value("Cell")}, {"Serial", Value(Data{'s'})}});
}

class SubEntries : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(test::ProfileBuilder().entry("AppleSmartBattery",
                                         {{"IOBatteryInfo", Value(Array{cell(4100), cell(4200), cell(4300)})},
                                          {"Mixed", Value(Array{cell(1), Value::integer(2), cell(3)})},
                                          {"Empty", Value(Array{})},
                                          {"Dictionary", cell(0)}}));
    entry = (*TKSIORegistryEntry::serviceObjectsMatchingName("AppleSmartBattery"))[0];
  }
  void TearDown() override {
    entry.reset();
    SimulatedMachineTest::TearDown();
  }
  std::shared_ptr<TKSIORegistrySubEntry> batteryInfo(std::uint32_t index) const {
    return TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(entry.get(), "IOBatteryInfo", index);
  }
  void setBatteryInfo(Array cells) const {
    os::IORegistryEntrySetCFProperty(entry->ioKitHandle(), "IOBatteryInfo", Value(std::move(cells)));
  }

  std::shared_ptr<TKSIORegistryEntry> entry;
};

TEST_F(SubEntries, OnePerDictionaryInArrayOrderAndNoPartialList) {
  const auto subEntries = *entry->subEntriesWithName("IOBatteryInfo");
  ASSERT_EQ(subEntries.size(), 3U);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(subEntries[i]->index(), i);
    EXPECT_EQ(subEntries[i]->intValueWithName("Voltage"), 4100 + 100 * static_cast<std::int32_t>(i));
  }
  EXPECT_EQ(entry->subEntriesWithName("Mixed"), std::nullopt) << "second element is a number";
  EXPECT_EQ(entry->subEntriesWithName("Dictionary"), std::nullopt);
  EXPECT_EQ(entry->subEntriesWithName("Empty"), RegistrySubEntryList{});
  EXPECT_EQ(subEntries[0]->subEntriesWithName("IOBatteryInfo"), std::nullopt) << "sub-entries have none";
}

TEST_F(SubEntries, GettersGiveZeroAndNilWhereTheEntryGivesMinusOne) {
  const auto first = batteryInfo(0);
  EXPECT_EQ(first->intValueWithName("Missing"), 0);
  EXPECT_EQ(first->intValueWithName("Name"), 0);
  EXPECT_EQ(first->intValueWithName(std::nullopt), 0);
  EXPECT_EQ(entry->intValueWithName("Missing"), -1);
  EXPECT_EQ(first->stringValueWithName("Name"), "Cell");
  EXPECT_EQ(first->stringValueWithName("Serial"), std::nullopt) << "data is not read as text in a sub-entry";
  EXPECT_FALSE(first->hasValueWithName("Mixed")) << "keys of the entry are not keys of the element";
  EXPECT_FALSE(first->hasValueWithName(std::nullopt));
  EXPECT_EQ(first->arrayValueWithName("Mixed")->size(), 3U) << "inherited getters read the entry itself";
}

TEST_F(SubEntries, AlwaysShowTheCurrentElementAndTurnEmptyWhenTheArrayShrinks) {
  const auto third = batteryInfo(2);
  setBatteryInfo({cell(1), cell(2), cell(3900)});
  EXPECT_EQ(third->intValueWithName("Voltage"), 3900);
  setBatteryInfo({cell(1), cell(2)});
  EXPECT_EQ(third->properties(), std::nullopt) << "index equal to the new length";
  setBatteryInfo({cell(1), Value("no dictionary")});
  EXPECT_EQ(batteryInfo(1)->properties(), std::nullopt);
}

TEST_F(SubEntries, HoldTheirOwnReferenceAndNeedEntryHandleAndName) {
  const auto second = batteryInfo(1);
  entry.reset();
  EXPECT_EQ(machine().heldReferenceCount(), 1U);
  EXPECT_EQ(second->intValueWithName("Voltage"), 4200);

  const TKSIORegistryEntry unbound;
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(nullptr, "IOBatteryInfo", 0), nullptr);
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(&unbound, "IOBatteryInfo", 0), nullptr);
  EXPECT_EQ(TKSIORegistrySubEntry::createWithEntrySubEntryNameIndex(second.get(), std::nullopt, 0), nullptr);
}

TEST_F(SubEntries, DescribeNameIndexAndElement) {
  const auto second = batteryInfo(1);
  EXPECT_EQ(second->description(),
            "Sub-entry: IOBatteryInfo Index: 1: Contents " + Value(*second->properties()).description() + "\n");
  EXPECT_EQ(TKSIORegistrySubEntry().description(), "Sub-entry: (null) Index: 0: Contents (null)\n");
}

}  // namespace
}  // namespace sw
