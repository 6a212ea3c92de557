// Sensor nodes of the platform drivers: which nodes are wrapped, and the refresh-and-retry read.
#include "ioregistry/TKSIORegistrySensorEntry.h"

#include <gtest/gtest.h>

#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;
using Ids = std::vector<std::int32_t>;

Dictionary sensorNode(const char* type, std::int64_t id, Value value = Value::integer(0x2D0000)) {
  return {{"type", Value(type)}, {"sensor-id", Value::integer(id)}, {"location", Value("CPU A")},
          {"current-value", std::move(value)}};
}

Ids idsOf(const std::optional<RegistrySensorEntryList>& entries) {
  Ids ids;
  for (const auto& entry : entries.value()) ids.push_back(entry->sensorIdentificationNumber());
  return ids;
}

class SensorEntries : public test::SimulatedMachineTest {};

TEST_F(SensorEntries, OnlyCompleteNodesOfTheExactTypeAreWrapped) {
  Dictionary withoutValue = sensorNode("temperature", 3);
  withoutValue.erase("current-value");
  install(ProfileBuilder()
              .entry("IOHWSensor", sensorNode("temperature", 1))
              .entry("IOHWSensor", sensorNode("temp", 2))
              .entry("IOHWSensor", withoutValue)
              .entry("IOHWControl", {{"type", Value("fan-rpm")}, {"control-id", Value::integer(7)},
                                     {"location", Value("DRIVE BAY")}, {"current-value", Value::integer(900)}}));
  using Entries = TKSIORegistrySensorEntry;
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", std::nullopt, false)),
            (Ids{1, 2}));
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", "temperature", false)),
            (Ids{1}));
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", "Temperature", false)),
            (Ids{}));
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", "", false)), (Ids{}))
      << "an empty type name keeps nothing";
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWControl", std::nullopt, false)),
            (Ids{})) << "a control has no sensor-id";
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("IOHWControl", std::nullopt, true)),
            (Ids{-1})) << "a control is found by its control-id and has no sensor-id";
  EXPECT_EQ(idsOf(Entries::sensorEntriesMatchingServiceNameTypeNameControl("AppleSMU", std::nullopt, false)), (Ids{}));
  EXPECT_EQ(Entries::sensorEntriesMatchingServiceNameTypeNameControl(std::nullopt, std::nullopt, false), std::nullopt);
  EXPECT_EQ(Entries::createWithIOKitHandle(0), nullptr);
}

TEST_F(SensorEntries, ANegativeReadingGetsOneMoreChanceAndTheUnenforcedReadPassesItOn) {
  Dictionary settling = sensorNode("temperature", 2, Value::integer(12));
  settling.emplace("@Driver", Value("SettlingReading"));
  install(ProfileBuilder()
              .entry("IOHWSensor", sensorNode("temperature", 1, Value::integer(-5)))
              .entry("IOHWSensor", settling)
              .entry("IOHWSensor", sensorNode("temperature", 3, Value("hot")))
              .entry("IOHWSensor", sensorNode("temperature", 4, Value::integer(0))));
  const auto entries =
      TKSIORegistrySensorEntry::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", std::nullopt, false).value();
  ASSERT_EQ(entries.size(), 4U);
  // sensor-id -> enforced read, unenforced read
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {{-1, -5}, {12, 12}, {-1, -1}, {0, 0}};
  for (std::size_t index = 0; index < entries.size(); ++index) {
    EXPECT_EQ(entries[index]->sensorValue(), expected[index].first) << "sensor " << index + 1;
    EXPECT_EQ(entries[index]->unenforcedSensorValue(), expected[index].second) << "sensor " << index + 1;
  }
  EXPECT_EQ(entries[1]->sensorValue(), 12) << "every refresh starts a new update";
}

TEST_F(SensorEntries, TheRefreshWriteIsTheDriversBooleanPropertyAndLeavesTheReadingAlone) {
  install(ProfileBuilder().entry("IOHWSensor", sensorNode("temperature", 1)));
  const auto entry = TKSIORegistrySensorEntry::createWithIOKitHandle(
      TKSIORegistryEntry::serviceObjectsMatchingName("IOHWSensor").value().at(0)->ioKitHandle());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->sensorValue(), 0x2D0000);
  EXPECT_EQ(entry->properties().value().at("force-update"), Value::boolean(false));
  EXPECT_EQ(entry->unenforcedSensorValue(), 0x2D0000);
  EXPECT_EQ(entry->locationIdentification(), "CPU A");
  EXPECT_EQ(entry->sensorTypeName(), "temperature");
}

}  // namespace
}  // namespace sw
