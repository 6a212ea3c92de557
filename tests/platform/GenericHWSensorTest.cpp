// The generic family of driver sensor nodes: scaling, SMU calibration, names by driver and the
// rules that keep graphics cards out whose drivers cannot measure.
#include <gtest/gtest.h>

#include "platform/PlatformTestMachine.h"
#include "platform/TKSGenericHWSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

ProfileBuilder onSystem(const std::string& version) {
  ProfileBuilder builder;
  builder.file("/System/Library/CoreServices/SystemVersion.plist",
               Value(Dictionary{{"ProductName", Value("Mac OS X")}, {"ProductVersion", Value(version)},
                                {"ProductBuildVersion", Value("9L31a")}}));
  return builder;
}

class GenericHWSensors : public SimulatedMachineTest {};

TEST_F(GenericHWSensors, TheFamilyItselfCollectsNothing) {
  ProfileBuilder builder;
  addSensorNode(builder, "AppleADT746x", sensorNode("fanspeed", 1, "REAR MAIN ENCLOSURE", 2748 << 16));
  install(builder);
  EXPECT_TRUE(TKSGenericHWSensor::allSensors().empty());
}

TEST_F(GenericHWSensors, EachMemberTakesItsTypeScalingUnitAndDriverName) {
  ProfileBuilder builder;
  addSensorNode(builder, "AppleADT746x", sensorNode("fanspeed", 1, "REAR MAIN ENCLOSURE", 2748 << 16));
  addSensorNode(builder, "AppleLM8x", sensorNode("voltage", 2, "CPU CORE", 0x14CCC));  // 1.3 V
  addSensorNode(builder, "AppleFCU", sensorNode("power", 3, "CPU A POWER", 64));
  addSensorNode(builder, "AppleLMUController", sensorNode("als", 4, "KEYBOARD", 1200));
  addSensorNode(builder, "IOI2CSMUSat", sensorNode("current", 5, "CPU CURRENT", 0x28000));  // 2.5 A
  install(builder);
  SensorList sensors = TKSHWFanSensor::allSensors();
  for (const SensorList& more : {TKSHWVoltageSensor::allSensors(), TKSHWPowerSensor::allSensors(),
                                 TKSHWLightSensor::allSensors(), TKSHWCurrentSensor::allSensors()}) {
    sensors.insert(sensors.end(), more.begin(), more.end());
  }
  EXPECT_EQ(summaries(sensors),
            (Texts{"hwsensor.AppleADT746x.1 | REAR MAIN ENCLOSURE | Analog Devices ADT746x | RPM | 2748",
                   "hwsensor.AppleLM8x.2 | CPU CORE | National Semiconductor LM8x | V | 1.29999",
                   "hwsensor.AppleFCU.3 | CPU A POWER | Apple Fan Control Unit |   | 64",
                   "hwsensor.AppleLMUController.4 | KEYBOARD | Apple Light Management Unit |   | 1200",
                   "hwsensor.IOI2CSMUSat.5 | CPU CURRENT | Apple System Management Unit | A | 2.5"}));
  std::vector<std::int32_t> quantities;
  for (const auto& sensor : sensors) quantities.push_back(sensor->quantityType());
  EXPECT_EQ(quantities, (std::vector<std::int32_t>{6, 2, 4, 8, 3}));
}

TEST_F(GenericHWSensors, SMUMonitorNodesAreCalibratedWithTheSMUConstantsOrDroppedOrScaledWithout) {
  {
    ProfileBuilder withSMU;
    addSMU(withSMU, smuPartitions(0x4000, 0, 0x2000, 8, 0x4000, 0));
    addSensorNode(withSMU, "AppleSMUMonitor", sensorNode("voltage", 1, "CPU VOLTAGE", 100));
    addSensorNode(withSMU, "AppleSMUMonitor", sensorNode("current", 2, "CPU CURRENT", 100));
    install(withSMU);
    SensorList voltages = TKSHWVoltageSensor::allSensors();
    SensorList currents = TKSHWCurrentSensor::allSensors();
    ASSERT_EQ(voltages.size(), 1U);
    ASSERT_EQ(currents.size(), 1U);
    EXPECT_EQ(voltages[0]->rawValue(), 100 * 0x4000 * 16);
    EXPECT_EQ(voltages[0]->value(), 400.0);
    EXPECT_EQ(currents[0]->value(), (100.0 * 0x2000 + 8) * 16 / 65536);
  }
  ProfileBuilder withoutSMU;
  addSensorNode(withoutSMU, "AppleSMUMonitor", sensorNode("voltage", 1, "CPU VOLTAGE", 100));
  addSensorNode(withoutSMU, "AppleSMUMonitor", sensorNode("current", 2, "CPU CURRENT", 655360));
  install(withoutSMU);
  EXPECT_TRUE(TKSHWVoltageSensor::allSensors().empty());
  SensorList currents = TKSHWCurrentSensor::allSensors();
  ASSERT_EQ(currents.size(), 1U);
  EXPECT_DOUBLE_EQ(currents[0]->value(), 0.1) << "hundredths of 16.16";
}

TEST_F(GenericHWSensors, TheScalingWrapsLikeTheDriversThirtyTwoBitArithmetic) {
  ProfileBuilder builder;
  addSMU(builder, smuPartitions(0xFFFF, -0x8000, 0, 0, 0, 0));
  addSensorNode(builder, "AppleSMUMonitor", sensorNode("voltage", 1, "CPU VOLTAGE", 0x7FFFFFFF));
  install(builder);
  SensorList voltages = TKSHWVoltageSensor::allSensors();
  ASSERT_EQ(voltages.size(), 1U);
  const std::uint32_t expected = (0xFFFFu * 0x7FFFFFFFu + static_cast<std::uint32_t>(-0x8000)) << 4;
  EXPECT_EQ(voltages[0]->rawValue(), static_cast<std::int32_t>(expected));
}

TEST_F(GenericHWSensors, AGraphicsNodeReportsTheComplementOfItsIdleShare) {
  ProfileBuilder builder = onSystem("10.5.8");
  addSensorNode(builder, "ATIRadeon9700", sensorNode("gpu", 1, "GPU", 80 << 16));
  install(builder);
  EXPECT_EQ(summaries(TKSHWGPUSensor::allSensors()), Texts{"gpusensor.ATIRadeon9700.1 | GPU | ATI Radeon 9700 | % | 20"});
  EXPECT_EQ(TKSHWGPUSensor::allSensors()[0]->sensorType(), 3);
}

TEST_F(GenericHWSensors, CardsThatCannotMeasureAreDroppedOnNewerSystemsUnlessSupportIsEnforced) {
  struct Case {
    const char* version;
    bool enforced;
    Texts listed;
  };
  const Case cases[] = {
      {"10.5.8", false, {"gpusensor.AppleIntelGMAX3100FB.2", "gpusensor.NVDA.4"}},
      {"10.5.0", true, {"gpusensor.NVDA.1", "gpusensor.AppleIntelGMAX3100FB.2", "gpusensor.AppleIntelGMAX3100FB.3",
                        "gpusensor.NVDA.4", "gpusensor.SomeCard.5"}},
      {"10.4.11", false, {"gpusensor.NVDA.1", "gpusensor.AppleIntelGMAX3100FB.2", "gpusensor.AppleIntelGMAX3100FB.3",
                          "gpusensor.NVDA.4", "gpusensor.SomeCard.5"}},
  };
  for (const Case& test : cases) {
    ProfileBuilder builder = onSystem(test.version);
    if (test.enforced) builder.defaults("EnforceGPUSupport", Value::boolean(false));
    addSensorNode(builder, "NVDA", sensorNode("gpu", 1, "GPU", 6553600));
    addSensorNode(builder, "AppleIntelGMAX3100FB", sensorNode("gpu", 2, "GPU", 6553600));
    addSensorNode(builder, "AppleIntelGMAX3100FB", sensorNode("gpu", 3, "GPU", 0));
    addSensorNode(builder, "NVDA", sensorNode("gpu", 4, "GPU", 0));
    addSensorNode(builder, "SomeCard", sensorNode("gpu", 5, "GPU", 6553600));
    install(builder);
    Texts listed;
    for (const auto& sensor : TKSHWGPUSensor::allSensors()) listed.push_back(sensor->uniqueIdentifier());
    EXPECT_EQ(listed, test.listed) << test.version << (test.enforced ? " enforced" : "");
  }
}

TEST_F(GenericHWSensors, NewerRadeonDriversAreReadWithoutTheRefreshWrite) {
  for (const auto& [version, written] : {std::pair{"10.5.8", false}, {"10.4.11", true}}) {
    ProfileBuilder builder = onSystem(version);
    addSensorNode(builder, "ATIRadeonX2000", sensorNode("gpu", 1, "GPU", 80 << 16));
    addSensorNode(builder, "ATIRadeon9700", sensorNode("gpu", 2, "GPU", 80 << 16));
    install(builder);
    SensorList sensors = TKSHWGPUSensor::allSensors();
    ASSERT_EQ(sensors.size(), 2U);
    for (const auto& sensor : sensors) EXPECT_EQ(sensor->value(), 20.0);
    auto node = [&](std::size_t index) {
      return static_cast<TKSHWGPUSensor&>(*sensors[index]).sensorEntry()->properties().value();
    };
    EXPECT_EQ(node(0).count("force-update") == 1, written) << version;
    EXPECT_EQ(node(1).count("force-update"), 1U) << version;
  }
}

}  // namespace
}  // namespace sw::test
