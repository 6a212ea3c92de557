// The stored settings: per machine and instance, the older index form, the shared scale, and
// keys that belong to someone else.
#include <gtest/gtest.h>

#include "widget/PluginController.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class StoredSettings : public WidgetTestMachine {
 protected:
  void storeMachine(Dictionary machine, std::optional<Value> domainUnit = std::nullopt) {
    Dictionary domain{{kSerialNumber, Value(std::move(machine))}};
    if (domainUnit) domain["IndexOfTemperatureUnit"] = *domainUnit;
    storeDomain(domain);
  }
};

TEST_F(StoredSettings, IdentifierWinsOverTheOlderIndex) {
  useTemperatureSensors(4);
  storeMachine({{"w1:SensorIDForDisplayPosition1", Value("fake.2")},
                {"w1:SensorIndexForDisplayPosition1", Value::integer(0)}});
  PluginController controller;
  controller.setWidgetIdentifier("w1");
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), 2);
}

TEST_F(StoredSettings, StoredValuesThatPointNowhereGiveEmptyPositions) {
  struct Case {
    const char* what;
    Value stored;
    const char* key;
  };
  const Case cases[] = {
      {"a sensor that is gone", Value("removed.sensor"), "w1:SensorIDForDisplayPosition2"},
      {"an identifier that is not text", Value::integer(1), "w1:SensorIDForDisplayPosition2"},
      {"an old index past the end", Value::integer(4), "w1:SensorIndexForDisplayPosition2"},
      {"an old index below -1", Value::integer(-2), "w1:SensorIndexForDisplayPosition2"},
      {"an old index beyond 32 bits", Value::integer(1LL << 32), "w1:SensorIndexForDisplayPosition2"},
      {"an old index that is text", Value("1"), "w1:SensorIndexForDisplayPosition2"},
  };
  for (const auto& c : cases) {
    useTemperatureSensors(4);
    storeMachine({{"w1:SensorIDForDisplayPosition1", Value("fake.0")}, {c.key, c.stored}});
    PluginController controller;
    controller.setWidgetIdentifier("w1");
    EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), 0) << c.what;
    EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(1), -1) << c.what;
  }
}

TEST_F(StoredSettings, ScaleIsReadFromTheDomainThenTheOlderMachinePlace) {
  struct Case {
    const char* what;
    std::optional<Value> domainUnit;
    std::optional<Value> machineUnit;
    int expected;
  };
  const Case cases[] = {
      {"domain only", Value::integer(2), std::nullopt, 2},
      {"domain over machine", Value::integer(0), Value::integer(1), 0},
      {"machine only", std::nullopt, Value::integer(1), 1},
      {"out of range", Value::integer(5), std::nullopt, 0},
      {"negative", Value::integer(-1), Value::integer(1), 0},
      {"huge", Value::integer(1LL << 33 | 1), std::nullopt, 0},
      {"real number", Value::real(2.9), std::nullopt, 2},
      {"text", Value("2"), std::nullopt, 0},
      {"absent", std::nullopt, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    useTemperatureSensors(2);
    Dictionary machine{{"w1:SensorIDForDisplayPosition1", Value("fake.0")}};
    if (c.machineUnit) machine["IndexOfTemperatureUnit"] = *c.machineUnit;
    storeMachine(machine, c.domainUnit);
    PluginController controller;
    controller.setWidgetIdentifier("w1");
    EXPECT_EQ(controller.preferredTemperatureUnitIndex(), c.expected) << c.what;
  }
}

TEST_F(StoredSettings, OlderMachineScaleMovesUpAndTheOldCopyStays) {
  useTemperatureSensors(2);
  storeMachine({{"w1:SensorIDForDisplayPosition1", Value("fake.0")}, {"IndexOfTemperatureUnit", Value::integer(1)}});
  PluginController controller;
  controller.setWidgetIdentifier("w1");
  controller.setPreferredSensorIndexForDisplayIndex(1, 1);
  EXPECT_EQ(storedDomain()->at("IndexOfTemperatureUnit"), Value::integer(1));
  EXPECT_EQ(storedMachineDictionary().at("IndexOfTemperatureUnit"), Value::integer(1));
}

TEST_F(StoredSettings, MissingOrMalformedDictionariesLeaveEverythingAsConstructed) {
  const Dictionary domains[] = {
      {{"IndexOfTemperatureUnit", Value::integer(2)}},                              // no machine entry
      {{"IndexOfTemperatureUnit", Value::integer(2)}, {kSerialNumber, Value("x")}},  // machine not a dictionary
      {{"IndexOfTemperatureUnit", Value::integer(2)}, {"OTHERSERIAL", Value(Dictionary{})}},
  };
  for (const auto& domain : domains) {
    useTemperatureSensors(2);
    storeDomain(domain);
    PluginController controller;
    controller.readPreferences();
    EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), -1);
    EXPECT_EQ(controller.preferredTemperatureUnitIndex(), 0);
  }
}

TEST_F(StoredSettings, OtherKeysOtherMachinesAndOtherInstancesSurviveAWrite) {
  useTemperatureSensors(2);
  const Value otherMachine(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("theirs")}});
  storeDomain({{"SomeoneElsesKey", Value("kept")},
               {"OTHERSERIAL", otherMachine},
               {kSerialNumber, Value(Dictionary{{"w2:SensorIDForDisplayPosition1", Value("fake.1")},
                                                 {"Unrelated", Value::integer(7)}})}});
  PluginController controller;
  controller.setWidgetIdentifier("w1");
  const auto domain = storedDomain();
  EXPECT_EQ(domain->at("SomeoneElsesKey"), Value("kept"));
  EXPECT_EQ(domain->at("OTHERSERIAL"), otherMachine);
  const Dictionary machine = storedMachineDictionary();
  EXPECT_EQ(machine.at("w2:SensorIDForDisplayPosition1"), Value("fake.1"));
  EXPECT_EQ(machine.at("Unrelated"), Value::integer(7));
  EXPECT_EQ(machine.at("w1:SensorIDForDisplayPosition1"), Value("fake.0"));
}

TEST_F(StoredSettings, WithoutAnIdentifierTheKeysAreBare) {
  useTemperatureSensors(2);
  PluginController controller;
  EXPECT_EQ(controller.widgetInstanceKeyForPreferenceKey(std::string("K")), "K");
  EXPECT_EQ(controller.widgetInstanceKeyForPreferenceKey(std::nullopt), std::nullopt);
  controller.setPreferredSensorIndexForDisplayIndex(1, 0);
  EXPECT_EQ(storedMachineDictionary().at("SensorIDForDisplayPosition1"), Value("fake.1"));
  controller.setWidgetIdentifier("a:b");
  EXPECT_EQ(controller.widgetInstanceKeyForPreferenceKey(std::string("K")), "a:b:K");
}

TEST_F(StoredSettings, SettingsFollowTheSensorNotItsPosition) {
  useTemperatureSensors(3);
  PluginController before;
  before.setWidgetIdentifier("w1");
  before.setPreferredSensorIndexForDisplayIndex(2, 1);
  // A new sensor that sorts first moves every index up by one.
  useSensors({{"new", "A First"}, {"fake.0", "Location 0"}, {"fake.1", "Location 1"}, {"fake.2", "Location 2"}});
  PluginController after;
  after.setWidgetIdentifier("w1");
  EXPECT_EQ(after.preferredSensorIndexAtDisplayIndex(0), 1);
  EXPECT_EQ(after.preferredSensorIndexAtDisplayIndex(1), 3);
}

}  // namespace
}  // namespace sw::test
