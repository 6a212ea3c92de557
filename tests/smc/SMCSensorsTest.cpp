// The SMC temperature, electric, fan and light sensors against simulated controllers.
#include <fmt/format.h>
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

using Texts = std::vector<std::string>;

const Data kDiode45{0x2D, 0x80};
const Data kTwelveVolts{0x60, 0xCD};  // sp4b: 24781 / 2048 = 12.10009765625

/// Identifier, location, unit, raw value and precision of each sensor, one line each.
Texts summaries(const SensorList& sensors) {
  Texts lines;
  for (const auto& sensor : sensors) {
    lines.push_back(fmt::format("{} | {} | {} | {} | {}", sensor->uniqueIdentifier(), sensor->locationIdentifier(),
                                sensor->unit(), sensor->rawValue(), sensor->precision()));
  }
  return lines;
}

class SMCSensors : public SimulatedMachineTest {
 protected:
  os::ManualClock clock_;
};

TEST_F(SMCSensors, aCPUDiodeBecomesAWholeDegreeSensorAndKeysThatAreNoReadingsGiveNone) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45), smcKey("TCTD", "sp78", kDiode45), smcKey("TC0C", "sp78", kDiode45),
                      smcKey("TB0T", "hex_", {0x2D, 0x80}), smcKey("TA1P", "sp78", {0, 0}),
                      smcKey("TM0P", "sp78", {0xF0, 0}), smcKey("TN0P", "sp78", kDiode45, SMCKeyFlag::Fail),
                      smcKey("ACID", "sp78", kDiode45)}));
  expectLogMessage(kFailedReadLog);  // TN0P
  EXPECT_EQ(summaries(TKSSMCTemperatureSensor::allSensors()), Texts{"smc.temperature.DF3 | SMC CPU A DIODE | C | 45 | 1"});
}

TEST_F(SMCSensors, errorMarkersAndNegativeFractionsAtRunTime) {
  // lowest reading -> raw value: -127, -128 and -124 are the controller's error markers.
  for (const auto& [lowest, raw] : {std::pair{-127.0, -1}, {-128.0, -1}, {-124.0, -1}, {-123.0, -123}, {-0.5, 0}}) {
    // Period 4 s: the highest reading (45) one second into the period, the lowest three seconds in.
    clock_.set(1'000'000'001.0);
    double amplitude = (45 - lowest) / 2;
    Value diode = smcKey("TC0D", "sp78", kDiode45);
    diode.asDictionary()->emplace("Signal", Value(Dictionary{{"Base", Value::real(45 - amplitude)},
                                                             {"Amplitude", Value::real(amplitude)}, {"Period", Value::real(4)}}));
    install(smcMachine({diode}));
    SensorList sensors = TKSSMCTemperatureSensor::allSensors();
    ASSERT_EQ(sensors.size(), 1u);
    EXPECT_EQ(sensors[0]->rawValue(), 45);
    clock_.advance(2);
    EXPECT_EQ(sensors[0]->rawValue(), raw) << lowest;
  }
}

TEST_F(SMCSensors, electricQuantityComesFromTheFirstLetterAndCountersIdleGraphicsAndNegativeReadingsGiveNone) {
  install(smcMachine({smcKey("VC0C", "sp4b", kTwelveVolts), smcKey("IC0C", "sp4b", kTwelveVolts),
                      smcKey("PC0C", "sp4b", kTwelveVolts), smcKey("VC1C", "sp4b", kTwelveVolts),
                      smcKey("VC9C", "ui16", {0, 12}), smcKey("PG0C", "sp87", {0, 6}),  // 0.047 W
                      smcKey("PG1C", "sp87", {0, 26}), smcKey("VN0C", "sp4b", {0, 0}), smcKey("IN1C", "sp4b", {0xFF, 0})}));
  expectLogMessage(kMissingKeyLog);  // the client's check of the CPU diode finds no TC0D
  SensorList sensors = TKSSMCElectricSensor::allSensors();
  // 792992 is 12.10009765625 * 65536.
  EXPECT_EQ(summaries(sensors),
            (Texts{"smc.voltage.DE3 | SMC CPU A | V | 792992 | 0", "smc.current.DE3 | SMC CPU A | A | 792992 | 0",
                   "smc.power.DE3 | SMC CPU A | W | 792992 | 0", "smc.voltage.DE4 | SMC CPU SUPPLY 1 | V | 792992 | 0",
                   "smc.power.HE4 | SMC GPU SUPPLY 2 | W | 13312 | 0", "smc.voltage.OE3 | SMC NORTHBRIDGE | V | 0 | 0"}));
}

TEST_F(SMCSensors, fansAreNamedAfterTheirDescriptorOrTheirIndexBeyondNineInLetters) {
  Data descriptor(16, 0);  // four bytes of flags, then the name
  std::string name = "  Leftside ";
  std::copy(name.begin(), name.end(), descriptor.begin() + 4);
  install(smcMachine({smcKey("FNum", "ui8 ", {40}), smcKey("F0Ac", "fpe2", {0x1F, 0x3F}), smcKey("F0Mn", "fpe2", {0x17, 0x70}),
                      smcKey("F0Mx", "fpe2", {0x5D, 0xC0}), smcKey("F0ID", "{fds", descriptor), smcKey("F1Ac", "fpe2", {0, 0}),
                      smcKey("F1Mn", "fpe2", {0, 0}), smcKey("F1Mx", "hex_", {0, 0}), smcKey("FAAc", "fpe2", {0x10, 0}),
                      smcKey("FAMn", "fpe2", {0, 0}), smcKey("FAMx", "fpe2", {0x20, 0}), smcKey("F2Ac", "fpe2", {0x10, 0}),
                      smcKey("F2Mx", "fpe2", {0x20, 0})}));  // fan 2 lacks its minimum
  expectLogMessage(kMissingKeyLog);  // TC0D, the keys of the fans counted but absent, F1ID
  SensorList sensors = TKSSMCFanSensor::allSensors();
  EXPECT_EQ(summaries(sensors), (Texts{"smc.fan.Leftside | SMC FAN Leftside | RPM | 1999 | 0.25",
                                       "smc.fan.1 | SMC FAN 1 | RPM | 0 | 0.25", "smc.fan.10 | SMC FAN 10 | RPM | 1024 | 0.25"}));
  ASSERT_EQ(sensors.size(), 3u);
  auto& left = static_cast<TKSSMCFanSensor&>(*sensors[0]);
  EXPECT_EQ(left.unifiedSensorLocation(), "R:SMC FAN Leftside");
  EXPECT_EQ(left.sensorLimitsArray(), (Array{Value::real(6000), Value::real(1500)}));
  EXPECT_EQ(static_cast<TKSSMCFanSensor&>(*sensors[1]).sensorLimitsArray(), std::nullopt);  // the maximum is no number
  EXPECT_EQ(TKSSMCFanSensor::createForFanAtIndex(36), nullptr);
}

TEST_F(SMCSensors, lightReadingsOfTheShortAndTheLongForm) {
  install(smcMachine({smcKey("ALV0", "{alv", {0, 1, 0x01, 0x00, 0, 0}), smcKey("ALV1", "{alv", {0, 1, 0x00, 0x80, 0, 0, 0, 0, 0, 0}),
                      smcKey("ALV2", "{alv", {0, 1, 0x00, 0x7F, 0, 0}), smcKey("ALVx", "{alv", {0, 1, 0x01, 0x00, 0, 0}),
                      smcKey("ALV3", "{alv", {0, 1, 0x01, 0x00, 0, 0, 0})}));
  expectLogMessage(kMissingKeyLog);  // TC0D
  SensorList sensors = TKSSMCLightSensor::allSensors();
  // 256 >> 7 is 2.
  EXPECT_EQ(summaries(sensors),
            (Texts{"smc.light.1 | SMC AMBIENT LIGHT 1 |   | 2 | 0", "smc.light.2 | SMC AMBIENT LIGHT 2 |   | 128 | 0"}));
}

TEST_F(SMCSensors, aSensorMadeWithoutItsCreateFunctionReadsNothingInsteadOfCrashing) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45)}));
  const SensorList unbound{std::make_shared<TKSSMCTemperatureSensor>(), std::make_shared<TKSSMCElectricSensor>(),
                           std::make_shared<TKSSMCFanSensor>(), std::make_shared<TKSSMCLightSensor>()};
  for (const auto& sensor : unbound) EXPECT_EQ(sensor->rawValue(), -1) << sensor->description();
  EXPECT_EQ(TKSSMCFanSensor().sensorLimitsArray(), std::nullopt);
}

TEST_F(SMCSensors, discoveryReadsEachKeyOnceAndAPollWithinTheCacheLifetimeNone) {
  install(smcMachine({smcKey("TC0D", "sp78", kDiode45), smcKey("TA0P", "sp78", kDiode45), smcKey("VC0C", "sp4b", kTwelveVolts),
                      smcKey("FNum", "ui8 ", {1}), smcKey("F0Ac", "fpe2", {0x10, 0}), smcKey("F0Mn", "fpe2", {0, 0}),
                      smcKey("F0Mx", "fpe2", {0x20, 0}), smcKey("ALV0", "{alv", {0, 1, 0x01, 0x00, 0, 0}),
                      smcKey("ZZZZ", "ui8 ", {0}), smcKey("TZZZ", "sp78", kDiode45)}));  // TZZZ: in no table
  expectLogMessage(kMissingKeyLog);  // the fan descriptor
  SensorList sensors;
  for (const auto& discover : {&TKSSMCFanSensor::allSensors, &TKSSMCTemperatureSensor::allSensors,
                               &TKSSMCElectricSensor::allSensors, &TKSSMCLightSensor::allSensors}) {
    for (auto& sensor : discover()) sensors.push_back(sensor);
  }
  ASSERT_EQ(sensors.size(), 5u);
  // Nine keys that exist read twice each, the missing fan descriptor once, and eleven indexes
  // listed once for the three classes that walk all keys; a key no table names is never read.
  EXPECT_EQ(smcCalls(), 9 * 2 + 1 + 11u);
  std::uint64_t afterDiscovery = smcCalls();
  for (auto& sensor : sensors) sensor->rawValue();
  EXPECT_EQ(smcCalls(), afterDiscovery);
  clock_.advance(1.5);  // past the cache lifetime: a read again
  sensors[0]->rawValue();
  sensors[1]->rawValue();
  EXPECT_EQ(smcCalls(), afterDiscovery + 2 * 2);
}

}  // namespace
}  // namespace sw::test
