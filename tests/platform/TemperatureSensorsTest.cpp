// Temperature sensors of the older machines and the factory calibration behind them: processor
// module records, SMU partitions, diode formulas and identifiers that survive a rebuild.
#include <gtest/gtest.h>

#include "os/SystemLog.h"
#include "platform/PlatformTestMachine.h"
#include "platform/TKSAnalogDigitalConverter.h"
#include "platform/TKSDriverPropertyTemperatureSensors.h"
#include "platform/TKSHWTempDiodeSensor.h"
#include "platform/TKSHWTemperatureSensor.h"
#include "platform/TKSMPUInfo.h"
#include "platform/TKSSMUInfo.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

class PlatformTemperatures : public SimulatedMachineTest {};

TEST_F(PlatformTemperatures, TemperatureNodesAreNamedByTheirDriverAndReadIn16Dot16) {
  ProfileBuilder builder;
  addSensorNode(builder, "AppleMaxim6690", sensorNode("temperature", 9, "BACKSIDE", 0x2D8000));
  addSensorNode(builder, "IONDRVFramebuffer", sensorNode("temperature", 4, "GPU", 0x3C0000));
  addSensorNode(builder, "SomeNewDriver", sensorNode("temperature", 5, "SOMEWHERE", -0x10000));
  addSensorNode(builder, "AppleAD741x", sensorNode("temp", 6, "CPU A AD7417 AMB", 0x2D0000));  // not "temperature"
  install(builder);
  const SensorList sensors = TKSHWTemperatureSensor::allSensors();
  EXPECT_EQ(summaries(sensors), (Texts{"hwsensor.AppleMaxim6690.9 | BACKSIDE | Maxim MAX6690 | C | 45.5",
                                       "hwsensor.IONDRVFramebuffer.4 | GPU | Legacy support for graphics card | C | 60",
                                       "hwsensor.SomeNewDriver.5 | SOMEWHERE | Unknown Temperature Sensor | C | -1.52588e-05"}));
  EXPECT_EQ(sensors[0]->precision(), 0.125);
  EXPECT_EQ(sensors[0]->accuracy(), 3.5);
  EXPECT_EQ(sensors[2]->rawValue(), -1) << "a negative driver value on both attempts is no reading";
}

TEST_F(PlatformTemperatures, AProcessorModuleRecordOfTheWrongLengthIsLoggedAndLeftOut) {
  ProfileBuilder builder;
  addProcessorModule(builder, mpuRecord(0x4000, -100, 159));
  install(builder);
  os::CapturedLog log;
  EXPECT_TRUE(TKSMPUInfo::allMPUs().empty());
  EXPECT_EQ(log.messages(), Texts{"unexepcted length of MPU data: 159\n"});
  EXPECT_EQ(TKSMPUInfo::numberOfLocalUnits(), 1U) << "the count does not read the records";
  EXPECT_EQ(TKSMPUInfo::mpuInfoAtIndex(0), nullptr);
}

TEST_F(PlatformTemperatures, ALocationNamesItsModuleByTheLetterAfterCPU) {
  const std::vector<std::pair<std::optional<std::string>, std::uint32_t>> cases = {
      {std::nullopt, 0}, {"DIODE TEMP", 0}, {"CPU ", 0}, {"CPU A AD7417 AD1", 0}, {"CPU B DIODE TEMP", 1}, {"CPU B", 1},
      {"CPU \u00C9", 0xC9 - 'A'}};  // a letter beyond ASCII counts as one character
  for (const auto& [location, index] : cases) {
    EXPECT_EQ(TKSMPUInfo::mpuIndexForLocationIdentifier(location), index) << location.value_or("nil");
  }
}

TEST_F(PlatformTemperatures, EveryFieldOfTheModuleRecordIsReadAtItsOffsetInPowerPCByteOrder) {
  Data record = mpuRecord(0x4000, -100);
  putBigEndian(record, 3, 2, 1);                   // version
  putBigEndian(record, 4, 0xFFF123A5, 4);          // revision: only the low 20 bits count
  putText(record, 8, "\x01G5\x7F");                // bin code, 3 bytes; the fourth byte is beyond it
  putBigEndian(record, 12, 2, 1);                  // CPUs per module
  putBigEndian(record, 36, 1, 1);                  // slot
  putBigEndian(record, 40, 72, 1);                 // target temperature
  putBigEndian(record, 41, 85, 1);                 // maximum temperature
  putBigEndian(record, 76, 0x0300, 2);             // intake fan 768..4000
  putBigEndian(record, 78, 4000, 2);
  putBigEndian(record, 80, 600, 2);                // exhaust fan 600..3500
  putBigEndian(record, 82, 3500, 2);
  putText(record, 84, "7447A\n\n ");              // part number, 8 bytes
  putBigEndian(record, 92, 3000000000U, 4);        // lot number, beyond the signed range
  putText(record, 96, "  XYZ\x01\x02   ");        // original serial: the letters only
  putText(record, 112, "ABCDEFGHIJKLMNOP");        // current serial fills its field
  putText(record, 128, "W8 MLB 123456789012345678");  // 25 characters: the last is no longer the field's
  ProfileBuilder builder;
  addProcessorModule(builder, record);
  install(builder);
  const std::shared_ptr<TKSMPUInfo> module = TKSMPUInfo::mpuInfoAtIndex(0);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->PIDDataSetRevision(), "1.2.3a5");
  EXPECT_EQ(Value(module->descriptionDictionary()),
            Value(Dictionary{{"InformationVersion", Value::integer(2)}, {"PIDDataSetRevision", Value("1.2.3a5")},
                             {"CPUBinCode", Value("G5")}, {"CPUPartNumber", Value("7447A")},
                             {"CPULotNumber", Value("3000000000")}, {"OriginalSerial", Value("XYZ")},
                             {"CurrentSerial", Value("ABCDEFGHIJKLMNOP")}, {"MLBSerial", Value("W8 MLB 12345678901234567")},
                             {"NumberOfCPUs", Value::integer(2)}, {"SlotNumber", Value::integer(1)},
                             {"DiodeMScaling", Value::integer(0x4000)}, {"DiodeBOffset", Value::integer(-100)},
                             {"IntakeFanMin", Value::integer(768)}, {"IntakeFanMax", Value::integer(4000)},
                             {"ExhaustFanMin", Value::integer(600)}, {"ExhaustFanMax", Value::integer(3500)},
                             {"TargetTemp", Value::integer(72)}, {"MaxTemp", Value::integer(85)}}));
  EXPECT_EQ(module->description(),
            "G5 MPU card information: Version 2, PID Dataset Revision 1.2.3a5, CPUs per card 2, slot number 1\n"
            "CPU Bin Code G5, part number 7447A, lot number 3000000000, original serial number XYZ, current serial "
            "number ABCDEFGHIJKLMNOP, main logic board serial number W8 MLB 12345678901234567\n"
            "dM 16384, dB -100, Intake Fan Limits 768..4000, Exhaust Fan Limits 600..3500\n"
            "Maximum  Temperature 85, Target Temperature 72\n");
}

TEST_F(PlatformTemperatures, TheG5DiodeUsesItsOwnModulesCalibrationAndAMissingModuleDropsIt) {
  ProfileBuilder builder;
  addProcessorModule(builder, mpuRecord(0x4000, -100));
  addProcessorModule(builder, mpuRecord(0x2000, 0));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 1, "CPU A AD7417 AD1", 1000));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 2, "CPU B DIODE TEMP", 1000));
  addSensorNode(builder, "AppleAD741x", sensorNode("adc", 3, "CPU C AD7417 AD1", 1000));  // no third module
  addSensorNode(builder, "AppleADM103x", sensorNode("adc", 4, "CPU A AD7417 AD1", 1000));  // another driver's channel
  install(builder);
  const SensorList sensors = TKSAnalogDigitalConverter::allSensors();
  // (16384000 - 409600) / 262144 and 8192000 / 262144.
  EXPECT_EQ(summaries(sensors),
            (Texts{"hwsensor.AppleAD741x.1 | CPU A AD7417 AD1 | Analog Devices AD7417 | C | 60.9375",
                   "hwsensor.AppleAD741x.2 | CPU B DIODE TEMP | Analog Devices AD7417 | C | 31.25",
                   "hwsensor.AppleADM103x.4 | CPU A AD7417 AD1 | Unknown Analog/Digital Converter |   | 1000"}));
  EXPECT_EQ(sensors[0]->className(), "TKSG5TemperatureSensor");
  EXPECT_EQ(sensors[0]->quantityType(), TKSQuantityTemperature);
  EXPECT_NE(sensors[0]->description().find("dM 16384, dB -100"), std::string::npos);
}

TEST_F(PlatformTemperatures, SMUDiodesAreCalibratedFromPartition0x18AndAShortPartitionLeavesThemRaw) {
  for (const auto& [diodeLength, value] : {std::pair{std::size_t{8}, 62.8125}, {std::size_t{6}, 1000.0 / 65536}}) {
    ProfileBuilder builder;
    addSMU(builder, smuPartitions(0x4000, 0, 0x4000, 0, 0x4000, 20, diodeLength));
    addSensorNode(builder, "AppleSMUMonitor", sensorNode("temp", 1, "CPU A DIODE TEMP", 1000));
    install(builder);
    os::CapturedLog log;
    const SensorList sensors = TKSHWTempDiodeSensor::allSensors();
    ASSERT_EQ(sensors.size(), 1U);
    EXPECT_EQ(sensors[0]->value(), value) << diodeLength;
    EXPECT_EQ(sensors[0]->sensorName(), "Apple System Management Unit");
    EXPECT_EQ(log.messages(), diodeLength == 8 ? Texts{}
                                               : Texts{"SMU: System database partition with identifier 18 does not "
                                                       "have expected length of 8\n"});
  }
}

TEST_F(PlatformTemperatures, TheSMUNeedsItsNubNamedSmuWithBothConverterPartitions) {
  Dictionary withoutConverter = smuPartitions(1, 2, 3, 4, 5, 6);
  withoutConverter.erase("sdb-partition-21");
  Dictionary otherNub = smuPartitions(1, 2, 3, 4, 5, 6);
  otherNub.insert_or_assign("name", Value("pmu"));
  ProfileBuilder builder;
  addSMU(builder, withoutConverter);
  addSMU(builder, otherNub);
  addSMU(builder, smuPartitions(0x4100, -3, 0x0800, 16, 0x4000, -7));
  builder.entry("SMU_Neo2_PlatformPlugin", {{"IOEnvironment", Value(Dictionary{{"cpu-tmax", Value::integer(90 << 16)}})}});
  install(builder);
  const SMUInfoList units = TKSSMUInfo::allSMUs();
  ASSERT_EQ(units.size(), 1U);
  std::uint16_t scale = 0;
  std::int16_t offset = 0;
  units[0]->getVoltageScaleOffset(&scale, &offset);
  EXPECT_EQ(scale, 0x4100);
  EXPECT_EQ(offset, -3);
  units[0]->getCurrentScaleOffset(&scale, nullptr);
  units[0]->getCurrentScaleOffset(nullptr, &offset);
  EXPECT_EQ(scale, 0x0800);
  EXPECT_EQ(offset, 16);
  EXPECT_EQ(units[0]->bDiodeCalibration(), -7);
  EXPECT_EQ(units[0]->description(),
            "System Management Unit: system clock 2500000000 Hz, maximum temp 90, voltages: 1300 (0) 2000 (1) 1100 (2), "
            "V ADC s 4.062500 / o -0.000732, A ADC s 0.500000 / o 0.003906 PSU 0.500000 (A) 0.000000 (B) 0.000000 (C) "
            "m 16384, b -7");
  EXPECT_EQ(TKSSMUInfo::maximumCPUDesignTemperature(), 90.0F);
}

TEST_F(PlatformTemperatures, GraphicsCardsWithRepeatingIdsKeepApartAndKeepTheirIdentifiersAcrossARebuild) {
  ProfileBuilder builder;
  addSensorNode(builder, "NVDA", sensorNode("temp", 1, "GPU", 0x3C0000));
  addSensorNode(builder, "NVDA", sensorNode("temp", 2, "GPU", 0x3C0000));
  install(builder);
  TKSSensor sameLocation;
  sameLocation.setLocationIdentifier("GPU");
  const std::uint32_t base = sameLocation.substituteIDForLocationIdentifier();
  const Texts expected = {fmt::format("hwsensor.NVDA.{}", base), fmt::format("hwsensor.NVDA.{}", base + 1)};
  for (int build = 0; build < 2; ++build) {
    Texts identifiers;
    for (const auto& sensor : TKSHWTempDiodeSensor::allSensors()) identifiers.push_back(sensor->uniqueIdentifier());
    EXPECT_EQ(identifiers, expected) << "build " << build;
  }
}

TEST_F(PlatformTemperatures, SinglePropertyTemperaturesOfTheMDDAndTheXserve) {
  install(ProfileBuilder()
              .entry("AppleCPUThermo", driverProperties("AppleCPUThermo", {{"temperature", Value::integer(0x2F80)}}))
              .entry("AppleCPUThermo", driverProperties("AppleCPUThermo"))
              .entry("AppleLM87", driverProperties("AppleLM87", {{"IntTemp", Value::integer(31)}})));
  EXPECT_EQ(summaries(TKSMDDTemperatureSensor::allSensors()), Texts{"apple.mdd.0 | CPU BOARD | Dallas DS 1775 | C | 47.5"});
  EXPECT_EQ(summaries(TKSXserveTemperatureSensor::allSensors()),
            Texts{"apple.lm87temp.0 | Internal Ambient | National Semiconductor LM87 | C | 31"});
}

}  // namespace
}  // namespace sw::test
