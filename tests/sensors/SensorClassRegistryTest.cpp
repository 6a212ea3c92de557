// The process-wide registry of sensor classes and the discovery through it.
#include <gtest/gtest.h>

#include "foundation/ProcessState.h"
#include "sensors/TKSSensor.h"

namespace sw {
namespace {

std::shared_ptr<TKSSensor> sensorWithIdentifier(const std::string& identifier) {
  auto sensor = std::make_shared<TKSSensor>();
  sensor->setUniqueIdentifier(identifier);
  return sensor;
}

/// A class entry whose discovery finds the named sensors.
TKSSensorClass classFinding(std::string name, std::vector<std::string> identifiers) {
  return {std::move(name), [identifiers] {
            SensorList sensors;
            for (const auto& identifier : identifiers) sensors.push_back(sensorWithIdentifier(identifier));
            return sensors;
          }};
}

std::vector<std::string> identifiersOf(const SensorList& sensors) {
  std::vector<std::string> identifiers;
  for (const auto& sensor : sensors) identifiers.push_back(sensor->uniqueIdentifier());
  return identifiers;
}

class SensorClassRegistry : public testing::Test {
 protected:
  void SetUp() override { resetProcessState(); }
  void TearDown() override { resetProcessState(); }
};

TEST_F(SensorClassRegistry, DiscoveryFollowsRegistrationOrderAndKeepsDuplicates) {
  TKSSensor::registerSensorClass(classFinding("TKSBatterySensor", {"battery.0.Voltage", "battery.0.Current"}));
  TKSSensor::registerSensorClass(classFinding("TKSSMCFanSensor", {"smc.fan.0"}));
  TKSSensor::registerSensorClass(classFinding("TKSBatterySensor", {"battery.0.Voltage", "battery.0.Current"}));

  ASSERT_EQ(TKSSensor::knownSensorClasses().size(), 3U);
  EXPECT_EQ(TKSSensor::knownSensorClasses()[2].name, "TKSBatterySensor");
  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()),
            (std::vector<std::string>{"battery.0.Voltage", "battery.0.Current", "smc.fan.0", "battery.0.Voltage",
                                      "battery.0.Current"}));
  EXPECT_EQ(TKSSensor::knownSensorClasses().size(), 3U) << "discovery must not change the registry";
}

TEST_F(SensorClassRegistry, NonSMARTDiscoverySkipsOnlyTheDiskClassAndNeverProbesIt) {
  int diskProbes = 0;
  TKSSensor::registerSensorClass(classFinding("TKSHWFanSensor", {"hwsensor.fan.1"}));
  TKSSensor::registerSensorClass({"TKSSMARTTemperatureSensor", [&diskProbes] {
                                    ++diskProbes;
                                    return SensorList{sensorWithIdentifier("smart.disk.1")};
                                  }});
  TKSSensor::registerSensorClass(classFinding("TKSSMARTTemperatureSensorX", {"lookalike"}));
  TKSSensor::registerSensorClass(classFinding("TKSSMCTemperatureSensor", {"smc.temperature.TC0D"}));

  EXPECT_EQ(identifiersOf(TKSSensor::allNonSMARTSensors()),
            (std::vector<std::string>{"hwsensor.fan.1", "lookalike", "smc.temperature.TC0D"}));
  EXPECT_EQ(diskProbes, 0);
  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()),
            (std::vector<std::string>{"hwsensor.fan.1", "smart.disk.1", "lookalike", "smc.temperature.TC0D"}));
  EXPECT_EQ(diskProbes, 1);
}

TEST_F(SensorClassRegistry, AClassFallingBackToTheRegistryDoesNotRecurse) {
  TKSSensor::registerSensorClass({"TKSBrokenSensor", &TKSSensor::allSensors});
  TKSSensor::registerSensorClass({"TKSAlsoBroken", &TKSSensor::allNonSMARTSensors});
  TKSSensor::registerSensorClass({"TKSWithoutDiscovery", nullptr});
  TKSSensor::registerSensorClass(classFinding("TKSSMCLightSensor", {"smc.light.0"}));

  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()), (std::vector<std::string>{"smc.light.0"}));
  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()), (std::vector<std::string>{"smc.light.0"}))
      << "a second discovery must work as well";
}

TEST_F(SensorClassRegistry, ProcessResetForgetsEveryClass) {
  TKSSensor::registerSensorClass(classFinding("TKSSMCFanSensor", {"smc.fan.0"}));
  resetProcessState();
  EXPECT_TRUE(TKSSensor::knownSensorClasses().empty());
  EXPECT_TRUE(TKSSensor::allSensors().empty());

  TKSSensor::registerSensorClass(classFinding("TKSSMCFanSensor", {"smc.fan.0"}));
  resetProcessState();
  EXPECT_TRUE(TKSSensor::knownSensorClasses().empty()) << "the reset must be registered again after a reset";
}

class RemoveUnknownEntries : public testing::Test {
 protected:
  Dictionary entries{{"a", Value::integer(1)}, {"b", Value::integer(2)}, {"c", Value::integer(3)}};
};

TEST_F(RemoveUnknownEntries, DropsEveryKeyTheReferenceLacks) {
  const Dictionary reference{{"a", Value("x")}, {"c", Value("y")}, {"d", Value("z")}};
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, &reference);
  EXPECT_EQ(entries, (Dictionary{{"a", Value::integer(1)}, {"c", Value::integer(3)}}));
}

TEST_F(RemoveUnknownEntries, KeepsEverythingWhenAllKeysAreKnownOrAnArgumentIsAbsent) {
  const Dictionary original = entries;
  const Dictionary all{{"a", Value()}, {"b", Value()}, {"c", Value()}};
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, &all);
  EXPECT_EQ(entries, original);
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, nullptr);
  EXPECT_EQ(entries, original);
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(nullptr, &all);
}

TEST_F(RemoveUnknownEntries, AnEmptyReferenceEmptiesTheDictionary) {
  const Dictionary none;
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, &none);
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace sw
