// The process-wide registry of sensor classes, the discovery through it, and the pruning of
// stored entries against a reference.
#include <gtest/gtest.h>

#include <stdexcept>

#include "foundation/ProcessState.h"
#include "sensors/TKSSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

/// A class entry whose discovery finds one sensor with the given identifier, counting its probes.
TKSSensorClass classFinding(std::string name, std::string identifier, int* probes = nullptr) {
  return {std::move(name), [identifier, probes] {
            if (probes != nullptr) ++*probes;
            auto sensor = std::make_shared<TKSSensor>();
            sensor->setUniqueIdentifier(identifier);
            return SensorList{sensor};
          }};
}

std::vector<std::string> identifiersOf(const SensorList& sensors) {
  std::vector<std::string> identifiers;
  for (const auto& sensor : sensors) identifiers.push_back(sensor->uniqueIdentifier());
  return identifiers;
}

/// Starts and ends every test on a fresh process state, so on an empty registry.
using SensorClassRegistry = test::SimulatedMachineTest;

TEST_F(SensorClassRegistry, DiscoveryFollowsRegistrationOrderKeepsDuplicatesAndEndsWithTheProcessState) {
  TKSSensor::registerSensorClass(classFinding("TKSBatterySensor", "battery.0.Voltage"));
  TKSSensor::registerSensorClass(classFinding("TKSSMCFanSensor", "smc.fan.0"));
  TKSSensor::registerSensorClass(classFinding("TKSBatterySensor", "battery.0.Voltage"));
  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()),
            (std::vector<std::string>{"battery.0.Voltage", "smc.fan.0", "battery.0.Voltage"}));
  EXPECT_EQ(TKSSensor::knownSensorClasses().size(), 3U) << "discovery must not change the registry";
  resetProcessState();
  EXPECT_TRUE(TKSSensor::knownSensorClasses().empty());
}

TEST_F(SensorClassRegistry, NonSMARTDiscoveryNeverProbesTheDiskClassAndNoClassRecursesIntoTheRegistry) {
  int diskProbes = 0;
  TKSSensor::registerSensorClass({"TKSBrokenSensor", &TKSSensor::allSensors});
  TKSSensor::registerSensorClass({"TKSAlsoBroken", &TKSSensor::allNonSMARTSensors});
  TKSSensor::registerSensorClass({"TKSWithoutDiscovery", nullptr});
  TKSSensor::registerSensorClass(classFinding("TKSHWFanSensor", "hwsensor.fan.1"));
  TKSSensor::registerSensorClass(classFinding("TKSSMARTTemperatureSensor", "smart.disk.1", &diskProbes));
  TKSSensor::registerSensorClass(classFinding("TKSSMARTTemperatureSensorX", "lookalike"));
  EXPECT_EQ(identifiersOf(TKSSensor::allNonSMARTSensors()), (std::vector<std::string>{"hwsensor.fan.1", "lookalike"}));
  EXPECT_EQ(diskProbes, 0);
  EXPECT_EQ(identifiersOf(TKSSensor::allSensors()),
            (std::vector<std::string>{"hwsensor.fan.1", "smart.disk.1", "lookalike"}));
  EXPECT_EQ(TKSSensor::allSensors().size(), 3U) << "a second discovery must work as well";
}

TEST_F(SensorClassRegistry, ADiscoveryThatThrowsDoesNotLeaveTheRegistryRefusingLaterOnes) {
  TKSSensor::registerSensorClass({"TKSThrowingSensor", []() -> SensorList { throw std::runtime_error("probe"); }});
  EXPECT_THROW(TKSSensor::allSensors(), std::runtime_error);
  TKSSensor::registerSensorClass(classFinding("TKSHWFanSensor", "hwsensor.fan.1"));
  EXPECT_THROW(TKSSensor::allSensors(), std::runtime_error) << "the registry must still ask every class";
}

TEST(RemoveUnknownEntries, DropsKeysTheReferenceLacksAndNothingElse) {
  const Dictionary original{{"a", Value::integer(1)}, {"b", Value::integer(2)}, {"c", Value::integer(3)}};
  Dictionary entries = original;
  const Dictionary reference{{"a", Value("x")}, {"c", Value("y")}, {"d", Value("z")}};
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, &reference);
  EXPECT_EQ(entries, (Dictionary{{"a", Value::integer(1)}, {"c", Value::integer(3)}}));

  entries = original;
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, &original);
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(&entries, nullptr);
  TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(nullptr, &original);
  EXPECT_EQ(entries, original);
}

}  // namespace
}  // namespace sw
