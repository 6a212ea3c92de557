// Fan controls, converter channels, the LM87 and the key switch.
#include <gtest/gtest.h>

#include "platform/PlatformTestMachine.h"
#include "platform/TKSAnalogDigitalConverter.h"
#include "platform/TKSGenericFanController.h"
#include "platform/TKSGenericLM87Sensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

Dictionary control(const char* type, std::int64_t id, const char* location, std::optional<std::int64_t> target,
                   std::optional<std::int64_t> current) {
  Dictionary properties{{"type", Value(type)}, {"control-id", Value::integer(id)}, {"location", Value(location)}};
  if (target) properties.emplace("target-value", Value::integer(*target));
  if (current) properties.emplace("current-value", Value::integer(*current));
  return properties;
}

ProfileBuilder& addControlNode(ProfileBuilder& builder, const std::string& driverClass, Dictionary node) {
  return builder.entry(driverClass, driverProperties(driverClass)).child("IOHWControl", std::move(node));
}

class FanControls : public SimulatedMachineTest {};

TEST_F(FanControls, ControlNodesReadTheirTargetAndOnlyFanTypesAreListed) {
  ProfileBuilder builder;
  addControlNode(builder, "AppleSMUMonitor", control("fan-rpm", 1, "CPU A EXHAUST", 2000, std::nullopt));
  addControlNode(builder, "AppleSMUMonitor", control("fan-pwm", 2, "PCI FAN", 512, 300));
  addControlNode(builder, "AppleSMUMonitor", control("slew", 3, "CPU A PUMP", 10, 10));
  addControlNode(builder, "AppleSMUMonitor", control("fan-rpm", 4, "DRIVE BAY", std::nullopt, 900));
  addControlNode(builder, "SomeController", control("fan-pwm", 5, "BACKSIDE", std::nullopt, std::nullopt));
  install(builder);
  const SensorList sensors = TKSGenericFanController::allSensors();
  EXPECT_EQ(summaries(sensors), (Texts{"hwcontrol.AppleSMUMonitor.1 | CPU A EXHAUST | Apple System Management Unit | RPM | 2000",
                                       "hwcontrol.AppleSMUMonitor.2 | PCI FAN | Apple System Management Unit | % | 50"}));
}

TEST_F(FanControls, TheFanControlUnitSwapsItsValuesOnPowerMacsAndCountsItsDutyCycleIn8Bits) {
  for (const auto& [model, speed] : {std::pair{"PowerMac7,3", 2000}, {"RackMac3,1", 1800}}) {
    ProfileBuilder builder;
    builder.model(model).entry(
        "AppleFCU", driverProperties("AppleFCU", {{"control-info",
                                                   Value(Array{Value(control("fan-rpm", 3, "CPU A INTAKE", 2000, 1800)),
                                                               Value(control("fan-pwm", 1, "BACKSIDE", 128, 30)),
                                                               Value(control("fan-rpm", 2, "DRIVE BAY", 1000, std::nullopt)),
                                                               Value(control("pump", 4, "CPU A PUMP", 10, 10))})}}));
    install(builder);
    EXPECT_EQ(summaries(TKSFanControlUnit::allSensors()),
              (Texts{fmt::format("fcu.AppleFCU.3 | CPU A INTAKE | Apple Fan Control Unit | RPM | {}", speed),
                     "fcu.AppleFCU.1 | BACKSIDE | Apple Fan Control Unit | % | 50"}))
        << model;
  }
}

TEST_F(FanControls, GraphicsCardControlsWithRepeatingIdsKeepApartAcrossARebuild) {
  ProfileBuilder builder;
  addControlNode(builder, "NVDA", control("fan-pwm", 3, "GPU FAN", 512, 512));
  addControlNode(builder, "NVDA", control("fan-pwm", 4, "GPU FAN", 512, 512));
  install(builder);
  TKSSensor sameLocation;
  sameLocation.setLocationIdentifier("GPU FAN");
  const std::uint32_t base = sameLocation.substituteIDForLocationIdentifier();
  for (int build = 0; build < 2; ++build) {
    Texts identifiers;
    for (const auto& sensor : TKSGenericFanController::allSensors()) identifiers.push_back(sensor->uniqueIdentifier());
    EXPECT_EQ(identifiers, (Texts{fmt::format("hwcontrol.NVDA.{}", base), fmt::format("hwcontrol.NVDA.{}", base + 1)}))
        << "build " << build;
  }
}

class OtherPlatformSensors : public SimulatedMachineTest {};

TEST_F(OtherPlatformSensors, ConverterChannelsAreKnownByNumberOrByFunctionTheFirstMatchWinning) {
  ProfileBuilder builder;
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 1, "CPU A VCORE", 500));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 2, "CPU A AD7417 AD4 CPU A VCORE", 100));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 3, "CPU B AD7417 AD2", 2048));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 4, "CPU A AD7417 AD9", 7));
  install(builder);
  const SensorList sensors = TKSAnalogDigitalConverter::allSensors();
  EXPECT_EQ(summaries(sensors),
            (Texts{"hwsensor.AppleAD741x.1 | CPU A VCORE | Analog Devices AD7417 | V | 1.2207",
                   "hwsensor.AppleAD741x.2 | CPU A AD7417 AD4 CPU A VCORE | Analog Devices AD7417 | A | 12.207",
                   "hwsensor.AppleAD741x.3 | CPU B AD7417 AD2 | Analog Devices AD7417 | A | 25",
                   "hwsensor.AppleAD741x.4 | CPU A AD7417 AD9 | Unknown Analog Devices AD7417 location |   | 7"}));
  EXPECT_EQ(sensors[3]->quantityType(), TKSQuantityUnknown);
}

TEST_F(OtherPlatformSensors, TheLM87ListsTheValuesItHasUnderTheirValueTypes) {
  install(ProfileBuilder()
              .entry("AppleLM87", driverProperties("AppleLM87", {{"Vccp1", Value::integer(1450000)},
                                                                 {"12Vin", Value::integer(12150000)},
                                                                 {"Fan2", Value::integer(2100)}}))
              .entry("AppleKeyswitch", driverProperties("AppleKeyswitch", {{"Keyswitch", Value::integer(1)}}))
              .entry("AppleKeyswitch", driverProperties("AppleKeyswitch")));
  EXPECT_EQ(summaries(TKSGenericLM87Sensor::allSensors()),
            (Texts{"apple.lm87.1 | Logic core | National Semiconductor LM87 | V | 1.45",
                   "apple.lm87.5 | 12v supply | National Semiconductor LM87 | V | 12.15",
                   "apple.lm87.8 | Processor Module | National Semiconductor LM87 | RPM | 2100"}));
  EXPECT_EQ(TKSGenericLM87Sensor::createWithIORegistryEntryForValueTypeKey(
                TKSIORegistryEntry::serviceObjectsMatchingName("AppleLM87").value().at(0), 9, "Fan2"),
            nullptr);
  const SensorList locks = TKSCaseLockSensor::allSensors();
  EXPECT_EQ(summaries(locks), Texts{"apple.keyswitch.0 | KEY SWITCH | Apple Key Switch |  | 1"});
  EXPECT_EQ(locks.at(0)->quantityType(), TKSQuantityStatus);
}

}  // namespace
}  // namespace sw::test
