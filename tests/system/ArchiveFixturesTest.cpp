// The five archive formats byte for byte against tests/golden/archives, which pin the formats of
// files that earlier versions stored: a change of field order, width or tag shows here even when
// encoding and decoding still agree with each other. After an intended change run
// scripts/update-golden.sh and review the new files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/PropertyListSerialization.h"
#include "foundation/SequentialCoder.h"
#include "sensors/TKSSensor.h"
#include "sensors/TKSSensorDescription.h"
#include "sensors/TKSSensorValueConverter.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

std::filesystem::path archivesFolder() {
  // A compiler cache may record this file's path relative to the build tree; the test runner
  // names the source tree.
  const char* sourceDir = std::getenv("SW_SOURCE_DIR");
  const std::filesystem::path tests = sourceDir != nullptr ? std::filesystem::path(sourceDir) / "tests"
                                                           : std::filesystem::path(__FILE__).parent_path().parent_path();
  return tests / "golden" / "archives";
}

/// Sixteen bytes from offset in hexadecimal, for a mismatch report.
std::string hexRow(const Data& bytes, std::size_t offset) {
  std::ostringstream row;
  row << std::hex;
  for (std::size_t i = offset; i < std::min(bytes.size(), offset + 16); ++i) {
    row << (bytes[i] < 16 ? " 0" : " ") << unsigned(bytes[i]);
  }
  return row.str();
}

/// Compares the archive with its fixture, or writes the fixture when SW_UPDATE_ARCHIVES is set.
void expectMatchesFixture(const Data& actual, const std::string& name) {
  const std::filesystem::path path = archivesFolder() / name;
  if (std::getenv("SW_UPDATE_ARCHIVES") != nullptr) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(actual.data()), std::streamsize(actual.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "no fixture " << path << " (scripts/update-golden.sh writes it)";
  const Data expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (expected == actual) return;
  std::size_t offset = 0;
  while (offset < expected.size() && offset < actual.size() && expected[offset] == actual[offset]) ++offset;
  const std::size_t row = offset / 16 * 16;
  ADD_FAILURE() << name << " differs from its fixture at byte " << offset << " (fixture " << expected.size()
                << " bytes, archive " << actual.size() << ")\n  from byte " << row << ":\n  fixture:" << hexRow(expected, row)
                << "\n  archive:" << hexRow(actual, row);
}

Data fixtureBytes(const std::string& name) {
  std::ifstream in(archivesFolder() / name, std::ios::binary);
  return Data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename Archivable>
Data sequentialArchive(const Archivable& object) {
  SequentialEncoder encoder;
  object.encodeWithCoder(encoder);
  return encoder.data();
}

/// A sensor with every field away from its default, a text beyond ASCII and a precision that
/// a float cannot hold exactly.
TKSSensor fixedSensor() {
  TKSSensor sensor;
  sensor.setUniqueIdentifier("smc.temperature.DF3");
  sensor.setLocationIdentifier("SMC CPU A DIODE");
  sensor.setSensorName("Système");
  sensor.setSensorType(1);
  sensor.setQuantityType(-7);
  sensor.setPrecisionAccuracy(0.1, 2.5);
  return sensor;
}

TKSSensorValueConverter fixedConverter() {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kScaledFixedPoint);
  converter.setLinearFactor(1.0 / 65536);
  converter.setMScaling(0xFEDC);
  converter.setBOffset(-300);
  converter.setShiftValue(-5);
  return converter;
}

TKSMachineInfo::Facts fixedFacts() {
  TKSMachineInfo::Facts facts;
  facts.numberOfCPUs = 8;
  facts.numberOfActiveCPUs = 7;
  facts.numberOfPhysicalCPUs = 0xFFFFFFFF;
  facts.cpuType = 7;
  facts.cpuSubType = -4;
  facts.cpuVersion = 0x1067A;
  facts.cpuFreq = 2'660'000'000;
  facts.cpuFreqMin = 1'600'000'000;
  facts.cpuFreqMax = 0xFFFFFFFFFFFFFFFF;
  facts.cpuFreqNom = 2'660'000'000;
  facts.cpuSpeedFeature = TKSMachineInfo::kDynamicPowerStep;
  facts.fsbFreq = 1'066'000'000;
  facts.fsbFreqMin = 800'000'000;
  facts.fsbFreqMax = 1'333'000'000;
  facts.l1InstructionCacheSize = 32768;
  facts.l1DataCacheSize = 32768;
  facts.l2CacheSize = 6291456;
  facts.l3CacheSize = 0;
  facts.opsAltiVec = false;
  facts.memorySize = 8'589'934'592;
  facts.osVersionCode = 0x1068;
  facts.appleModelCode = "MacBookPro5,5";
  facts.machineSerialNumber = "W80000000000";
  facts.osReadableVersion = "Mac OS X 10.6.8";
  facts.osVersionNumber = "10.6.8";
  facts.osReadableBuild = "10K549";
  facts.osKernelVersion = "Darwin Kernel Version 10.8.0";
  facts.osKernelVersionNumber = "10.8.0";
  facts.bootROMVersion = "MBP55.00AC.B03";
  facts.computerName = "Küche";
  facts.machineUUID = "00000000-0000-1000-8000-001B63000000";
  facts.is64BitCapable = true;
  facts.isRunning64BitKernel = false;
  return facts;
}

TEST(ArchiveFixtures, SensorArchiveKeepsItsBytesAndDecodesToTheFixedSensor) {
  expectMatchesFixture(sequentialArchive(fixedSensor()), "sensor.bin");
  SequentialDecoder decoder(fixtureBytes("sensor.bin"));
  const auto sensor = TKSSensor::createWithCoder(decoder);
  ASSERT_NE(sensor, nullptr);
  EXPECT_TRUE(decoder.atEnd());
  EXPECT_EQ(sensor->uniqueIdentifier(), "smc.temperature.DF3");
  EXPECT_EQ(sensor->locationIdentifier(), "SMC CPU A DIODE");
  EXPECT_EQ(sensor->sensorName(), "Système");
  EXPECT_EQ(sensor->sensorType(), 1);
  EXPECT_EQ(sensor->quantityType(), -7);
  EXPECT_EQ(sensor->precision(), double(0.1f)) << "stored as a float";
  EXPECT_EQ(sensor->accuracy(), 2.5);
}

TEST(ArchiveFixtures, ConverterArchiveKeepsItsBytesAndDecodesToTheFixedConverter) {
  expectMatchesFixture(sequentialArchive(fixedConverter()), "value-converter.bin");
  SequentialDecoder decoder(fixtureBytes("value-converter.bin"));
  const auto converter = TKSSensorValueConverter::createWithCoder(decoder);
  ASSERT_TRUE(converter.has_value());
  EXPECT_TRUE(decoder.atEnd());
  EXPECT_EQ(*converter, fixedConverter());
}

TEST(ArchiveFixtures, DescriptionRecordArchiveKeepsItsBytesAndDecodesToTheSensorsRecord) {
  const TKSSensor sensor = fixedSensor();
  const auto record = TKSSensorDescription::descriptionForSensor(&sensor);
  ASSERT_NE(record, nullptr);
  expectMatchesFixture(sequentialArchive(*record), "sensor-description.bin");
  SequentialDecoder decoder(fixtureBytes("sensor-description.bin"));
  const auto decoded = TKSSensorDescription::createWithCoder(decoder);
  ASSERT_NE(decoded, nullptr);
  EXPECT_TRUE(decoder.atEnd());
  EXPECT_EQ(decoded->localIdentifier(), "smc.temperature.DF3");
  EXPECT_EQ(decoded->locationIdentifier(), "SMC CPU A DIODE");
  EXPECT_EQ(decoded->sensorName(), "Système");
  EXPECT_EQ(decoded->unit(), " ");
  EXPECT_EQ(decoded->sensorType(), 1);
  EXPECT_EQ(decoded->quantityType(), -7);
  EXPECT_EQ(decoded->precision(), 0.1) << "the record keeps the double";
  EXPECT_EQ(decoded->accuracy(), 2.5);
  EXPECT_EQ(decoded->substituteIdentification(), sensor.substituteIDForLocationIdentifier());
}

TEST(ArchiveFixtures, MachineInformationArchivesKeepTheirBytesAndDecodeToTheFixedFacts) {
  const TKSMachineInfo info(fixedFacts());
  expectMatchesFixture(sequentialArchive(info), "machine-info.bin");
  SequentialDecoder decoder(fixtureBytes("machine-info.bin"));
  const auto decoded = TKSMachineInfo::createWithCoder(decoder);
  ASSERT_NE(decoded, nullptr);
  EXPECT_TRUE(decoder.atEnd());
  EXPECT_EQ(decoded->facts(), fixedFacts());

  const Data keyed =
      PropertyListSerialization::dataFromPropertyList(Value(info.encodeWithKeyedCoder()), PropertyListSerialization::Format::XML);
  expectMatchesFixture(keyed, "machine-info-keyed.plist");
  const Data stored = fixtureBytes("machine-info-keyed.plist");
  const auto archive = PropertyListSerialization::propertyListFromData(
      std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size()));
  ASSERT_TRUE(archive && archive->asDictionary());
  const auto fromKeyed = TKSMachineInfo::createWithKeyedCoder(*archive->asDictionary());
  ASSERT_NE(fromKeyed, nullptr);
  EXPECT_EQ(fromKeyed->facts(), fixedFacts());
}

}  // namespace
}  // namespace sw
