// The SMC temperature, electric, fan and light sensors against simulated controllers.
#include <gtest/gtest.h>

#include "os/Clock.h"
#include "smc/SMCTestMachine.h"
#include "smc/TKSSMCElectricSensor.h"
#include "smc/TKSSMCFanSensor.h"
#include "smc/TKSSMCLightSensor.h"
#include "smc/TKSSMCTemperatureSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

const Data kDiode45{0x2D, 0x80};

std::vector<std::string> locations(const SensorList& sensors) {
  std::vector<std::string> texts;
  for (const auto& sensor : sensors) texts.push_back(sensor->locationIdentifier());
  return texts;
}

class SMCTemperatureSensors : public SimulatedMachineTest {};

TEST_F(SMCTemperatureSensors, aCPUDiodeBecomesAWholeDegreeSensor) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45)}));
  SensorList sensors = TKSSMCTemperatureSensor::allSensors();
  ASSERT_EQ(sensors.size(), 1u);
  TKSSensor& diode = *sensors[0];
  EXPECT_EQ(diode.locationIdentifier(), "SMC CPU A DIODE");
  EXPECT_EQ(diode.uniqueIdentifier(), "smc.temperature.DF3");
  EXPECT_EQ(diode.sensorName(), "Apple System Management Controller");
  EXPECT_EQ(diode.rawValue(), 45);
  EXPECT_EQ(diode.unit(), "C");
  EXPECT_EQ(diode.quantityType(), TKSQuantityTemperature);
  EXPECT_EQ(diode.sensorType(), 1);
  EXPECT_EQ(diode.precision(), 1.0);
  EXPECT_EQ(diode.value(), 45.0);
}

TEST_F(SMCTemperatureSensors, keysThatAreNoReadingsGiveNoSensor) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45), smcKey("TCTD", "sp78", kDiode45), smcKey("TC0C", "sp78", kDiode45),
                      smcKey("TB0T", "hex_", {0x2D, 0x80}), smcKey("TA1P", "sp78", {0, 0}),
                      smcKey("TM0P", "sp78", {0xF0, 0}), smcKey("TN0P", "sp78", kDiode45, SMCKeyFlag::Fail),
                      smcKey("ACID", "sp78", kDiode45)}));
  EXPECT_EQ(locations(TKSSMCTemperatureSensor::allSensors()), (std::vector<std::string>{"SMC CPU A DIODE"}));
}

TEST_F(SMCTemperatureSensors, theModelDecidesAmbientAndDriveBayNames) {
  install(smcMachine({smcKey("TA0P", "sp78", kDiode45), smcKey("TA1P", "sp78", kDiode45), smcKey("TH0P", "sp78", kDiode45)},
                     "iMac13,2"));
  EXPECT_EQ(locations(TKSSMCTemperatureSensor::allSensors()),
            (std::vector<std::string>{"SMC AMBIENT AIR POSITION 2", "SMC DRIVE BAY 1"}));
  install(smcMachine({smcKey("TA0P", "sp78", kDiode45), smcKey("TH0P", "sp78", kDiode45)}, "MacPro5,1"));
  EXPECT_EQ(locations(TKSSMCTemperatureSensor::allSensors()), (std::vector<std::string>{"SMC AMBIENT AIR", "SMC DRIVE BAY 0"}));
}

TEST_F(SMCTemperatureSensors, errorMarkersAndNegativeFractionsAtRunTime) {
  struct Case {
    double lowest;
    std::int32_t raw;
  };
  for (const Case& test : {Case{-127, -1}, Case{-128, -1}, Case{-124, -1}, Case{-123, -123}, Case{-0.5, 0}}) {
    // Period 4 s: the highest reading (45) one second into the period, the lowest three seconds in.
    os::ManualClock clock(1'000'000'001.0);
    double amplitude = (45 - test.lowest) / 2;
    install(smcMachine({withSignal(smcKey("TC0D", "sp78", kDiode45), 45 - amplitude, amplitude, 4)}));
    SensorList sensors = TKSSMCTemperatureSensor::allSensors();
    ASSERT_EQ(sensors.size(), 1u);
    EXPECT_EQ(sensors[0]->rawValue(), 45);
    clock.advance(2);
    EXPECT_EQ(sensors[0]->rawValue(), test.raw) << test.lowest;
  }
}

class SMCElectricSensors : public SimulatedMachineTest {};

const Data kTwelveVolts{0x60, 0xCD};  // sp4b: 24781 / 2048 = 12.10009765625

TEST_F(SMCElectricSensors, quantityUnitAndIdentifierComeFromTheFirstLetter) {
  install(smcMachine({smcKey("VC0C", "sp4b", kTwelveVolts), smcKey("IC0C", "sp4b", kTwelveVolts),
                      smcKey("PC0C", "sp4b", kTwelveVolts), smcKey("VC1C", "sp4b", kTwelveVolts)}));
  SensorList sensors = TKSSMCElectricSensor::allSensors();
  ASSERT_EQ(sensors.size(), 4u);
  struct Expected {
    const char* identifier;
    const char* location;
    TKSQuantityType quantity;
    const char* unit;
  };
  const Expected expected[] = {{"smc.voltage.DE3", "SMC CPU A", TKSQuantityVoltage, "V"},
                               {"smc.current.DE3", "SMC CPU A", TKSQuantityCurrent, "A"},
                               {"smc.power.DE3", "SMC CPU A", TKSQuantityPower, "W"},
                               {"smc.voltage.DE4", "SMC CPU SUPPLY 1", TKSQuantityVoltage, "V"}};
  for (std::size_t index = 0; index < sensors.size(); ++index) {
    EXPECT_EQ(sensors[index]->uniqueIdentifier(), expected[index].identifier);
    EXPECT_EQ(sensors[index]->locationIdentifier(), expected[index].location);
    EXPECT_EQ(sensors[index]->quantityType(), expected[index].quantity);
    EXPECT_EQ(sensors[index]->unit(), expected[index].unit);
    EXPECT_EQ(sensors[index]->precision(), 0.0);
  }
  EXPECT_EQ(sensors[0]->rawValue(), 792992);  // 12.10009765625 * 65536
  EXPECT_EQ(sensors[0]->value(), 12.10009765625);
}

TEST_F(SMCElectricSensors, theSecondProcessorOfATwoPackageMachine) {
  install(smcMachine({smcKey("VC1C", "sp4b", kTwelveVolts)}, "MacPro5,1").sysctl("hw.packages", 2));
  EXPECT_EQ(locations(TKSSMCElectricSensor::allSensors()), (std::vector<std::string>{"SMC CPU B"}));
  EXPECT_EQ(TKSSMCElectricSensor::numberOfPhysicalx86Chips(), 2u);
}

TEST_F(SMCElectricSensors, countersIdleGraphicsAndNegativeReadingsGiveNoSensor) {
  install(smcMachine({smcKey("VC0C", "ui16", {0, 12}), smcKey("PG0C", "sp87", {0, 6}),  // 0.047 W
                      smcKey("PG1C", "sp87", {0, 26}), smcKey("VN0C", "sp4b", {0, 0}), smcKey("IN1C", "sp4b", {0xFF, 0})}));
  EXPECT_EQ(locations(TKSSMCElectricSensor::allSensors()), (std::vector<std::string>{"SMC GPU SUPPLY 2", "SMC NORTHBRIDGE"}));
}

TEST_F(SMCElectricSensors, theMacBookPro8LeavesOutItsProcessorAndInputRails) {
  install(smcMachine({smcKey("VC0C", "sp4b", kTwelveVolts), smcKey("VD0R", "sp4b", kTwelveVolts),
                      smcKey("PN0C", "sp4b", kTwelveVolts), smcKey("VP0R", "sp4b", kTwelveVolts)},
                     "MacBookPro8,1"));
  EXPECT_EQ(locations(TKSSMCElectricSensor::allSensors()), (std::vector<std::string>{"SMC POWER SUPPLY/BATTERY"}));
}

class SMCFanSensors : public SimulatedMachineTest {};

/// A fan descriptor: four bytes of flags, then the name (at most twelve bytes here).
Data fanName(const std::string& name) {
  Data bytes(16, 0);
  std::copy(name.begin(), name.end(), bytes.begin() + 4);
  return bytes;
}

TEST_F(SMCFanSensors, fansAreNamedAfterTheirDescriptorOrTheirIndex) {
  install(smcMachine({smcKey("FNum", "ui8 ", {2}), smcKey("F0Ac", "fpe2", {0x1F, 0x3F}), smcKey("F0Mn", "fpe2", {0x17, 0x70}),
                      smcKey("F0Mx", "fpe2", {0x5D, 0xC0}), smcKey("F0ID", "{fds", fanName("  Leftside ")),
                      smcKey("F1Ac", "fpe2", {0, 0}), smcKey("F1Mn", "fpe2", {0, 0}), smcKey("F1Mx", "hex_", {0, 0})}));
  SensorList sensors = TKSSMCFanSensor::allSensors();
  ASSERT_EQ(sensors.size(), 2u);
  auto& left = static_cast<TKSSMCFanSensor&>(*sensors[0]);
  EXPECT_EQ(left.uniqueIdentifier(), "smc.fan.Leftside");
  EXPECT_EQ(left.locationIdentifier(), "SMC FAN Leftside");
  EXPECT_EQ(left.unifiedSensorLocation(), "R:SMC FAN Leftside");
  EXPECT_EQ(left.rawValue(), 1999);  // 1999.75 truncated
  EXPECT_EQ(left.unit(), "RPM");
  EXPECT_EQ(left.precision(), 0.25);
  EXPECT_EQ(left.sensorLimitsArray(), (Array{Value::real(6000), Value::real(1500)}));
  auto& second = static_cast<TKSSMCFanSensor&>(*sensors[1]);
  EXPECT_EQ(second.uniqueIdentifier(), "smc.fan.1");
  EXPECT_EQ(second.locationIdentifier(), "SMC FAN 1");
  EXPECT_EQ(second.sensorLimitsArray(), std::nullopt);  // the maximum is no number
}

TEST_F(SMCFanSensors, fansBeyondNineUseLettersAndAFanMissingASpeedKeyIsLeftOut) {
  Array keys{smcKey("FNum", "ui8 ", {40}), smcKey("FAAc", "fpe2", {0x10, 0}), smcKey("FAMn", "fpe2", {0, 0}),
             smcKey("FAMx", "fpe2", {0x20, 0}), smcKey("F0Ac", "fpe2", {0x10, 0}), smcKey("F0Mx", "fpe2", {0x20, 0})};
  install(smcMachine(keys));
  EXPECT_EQ(locations(TKSSMCFanSensor::allSensors()), (std::vector<std::string>{"SMC FAN 10"}));
  EXPECT_EQ(TKSSMCFanSensor::createForFanAtIndex(36), nullptr);
}

class SMCLightSensors : public SimulatedMachineTest {};

TEST_F(SMCLightSensors, shortAndLongReadings) {
  install(smcMachine({smcKey("ALV0", "{alv", {0, 1, 0x01, 0x00, 0, 0}), smcKey("ALV1", "{alv", {0, 1, 0x00, 0x80, 0, 0, 0, 0, 0, 0}),
                      smcKey("ALV2", "{alv", {0, 1, 0x00, 0x7F, 0, 0}), smcKey("ALVx", "{alv", {0, 1, 0x01, 0x00, 0, 0}),
                      smcKey("ALV3", "{alv", {0, 1, 0x01, 0x00, 0, 0, 0})}));
  SensorList sensors = TKSSMCLightSensor::allSensors();
  ASSERT_EQ(sensors.size(), 2u);
  EXPECT_EQ(sensors[0]->uniqueIdentifier(), "smc.light.1");
  EXPECT_EQ(sensors[0]->rawValue(), 2);  // 256 >> 7
  EXPECT_EQ(sensors[1]->locationIdentifier(), "SMC AMBIENT LIGHT 2");
  EXPECT_EQ(sensors[1]->rawValue(), 128);
  EXPECT_EQ(sensors[1]->unit(), " ");
  EXPECT_EQ(sensors[1]->quantityType(), TKSQuantityLight);
}

class SMCDiscoveryCost : public SimulatedMachineTest {
 protected:
  os::ManualClock clock_;
};

TEST_F(SMCDiscoveryCost, discoveryReadsEachKeyOnceAndAPollWithinTheCacheLifetimeNone) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45), smcKey("TA0P", "sp78", kDiode45), smcKey("VC0C", "sp4b", kTwelveVolts),
                      smcKey("FNum", "ui8 ", {1}), smcKey("F0Ac", "fpe2", {0x10, 0}), smcKey("F0Mn", "fpe2", {0, 0}),
                      smcKey("F0Mx", "fpe2", {0x20, 0}), smcKey("ALV0", "{alv", {0, 1, 0x01, 0x00, 0, 0}),
                      smcKey("ZZZZ", "ui8 ", {0})}));
  SensorList sensors;
  for (const auto& discover : {&TKSSMCFanSensor::allSensors, &TKSSMCTemperatureSensor::allSensors,
                               &TKSSMCElectricSensor::allSensors, &TKSSMCLightSensor::allSensors}) {
    for (auto& sensor : discover()) sensors.push_back(sensor);
  }
  ASSERT_EQ(sensors.size(), 5u);
  // Nine keys that exist read twice each, the missing fan descriptor once, and ten indexes
  // listed by each of the three classes that walk all keys.
  const std::uint64_t listedKeys = 10;
  EXPECT_EQ(smcCalls(), 9 * 2 + 1 + 3 * listedKeys);

  std::uint64_t afterDiscovery = smcCalls();
  for (auto& sensor : sensors) sensor->rawValue();
  EXPECT_EQ(smcCalls(), afterDiscovery);

  clock_.advance(1.5);
  sensors[0]->rawValue();
  sensors[1]->rawValue();
  EXPECT_EQ(smcCalls(), afterDiscovery + 2 * 2);
}

}  // namespace
}  // namespace sw::test
