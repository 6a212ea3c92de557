// The detached sensor description record: snapshot, text, copy, archive, sending.
#include "sensors/TKSSensorDescription.h"

#include <gtest/gtest.h>

#include "sensors/TKSSensor.h"

namespace sw {
namespace {

class FanSensor : public TKSSensor {
 public:
  FanSensor() {
    setUniqueIdentifier("smc.fan.0");
    setLocationIdentifier("abc");
    setSensorName("SMC");
    setSensorType(1);
    setQuantityType(TKSQuantityFanSpeed);
    setPrecisionAccuracy(0.1, 50.0);
  }
  std::string unit() const override { return "RPM"; }
};

void expectSameFields(const TKSSensorDescription& actual, const TKSSensorDescription& expected) {
  EXPECT_EQ(actual.localIdentifier(), expected.localIdentifier());
  EXPECT_EQ(actual.locationIdentifier(), expected.locationIdentifier());
  EXPECT_EQ(actual.sensorName(), expected.sensorName());
  EXPECT_EQ(actual.unit(), expected.unit());
  EXPECT_EQ(actual.sensorType(), expected.sensorType());
  EXPECT_EQ(actual.quantityType(), expected.quantityType());
  EXPECT_EQ(actual.precision(), expected.precision());
  EXPECT_EQ(actual.accuracy(), expected.accuracy());
  EXPECT_EQ(actual.substituteIdentification(), expected.substituteIdentification());
}

TEST(SensorDescriptionRecord, OfAFreshSensorCarriesItsDefaults) {
  TKSSensor sensor;
  const auto record = sensor.configurationDescription();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->description(),
            "local identifier: 'nil' location identifier: 'UNKNOWN LOCATION' sensor name: 'Unknown' unit: ' ' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 593038511");
  EXPECT_EQ(record->substituteIdentification(), 0x23590CAFU);
}

TEST(SensorDescriptionRecord, TakesTheSubclassUnitAndNothingForNoSensor) {
  FanSensor sensor;
  const auto record = TKSSensorDescription::descriptionForSensor(&sensor);
  EXPECT_EQ(record->unit(), "RPM");
  EXPECT_EQ(record->substituteIdentification(), 0xCADBBE3DU);
  EXPECT_EQ(TKSSensorDescription::descriptionForSensor(nullptr), nullptr);
}

TEST(SensorDescriptionRecord, AFreshRecordPrintsItsAbsentStrings) {
  EXPECT_EQ(TKSSensorDescription().description(),
            "local identifier: '(null)' location identifier: '(null)' sensor name: '(null)' unit: '(null)' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 0");
}

TEST(SensorDescriptionRecord, ACopyHasEqualFields) {
  FanSensor sensor;
  const auto record = sensor.configurationDescription();
  const auto copied = record->copy();
  ASSERT_NE(copied, record);
  expectSameFields(*copied, *record);
}

class SensorDescriptionArchive : public testing::Test {
 protected:
  static std::shared_ptr<TKSSensorDescription> roundTrip(const TKSSensorDescription& record) {
    SequentialEncoder encoder;
    record.encodeWithCoder(encoder);
    SequentialDecoder decoder(encoder.data());
    return TKSSensorDescription::createWithCoder(decoder);
  }
};

TEST_F(SensorDescriptionArchive, KeepsDoublesExactlyUnlikeTheSensorArchive) {
  FanSensor sensor;
  const auto record = sensor.configurationDescription();
  const auto decoded = roundTrip(*record);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->precision(), 0.1);
  expectSameFields(*decoded, *record);
}

TEST_F(SensorDescriptionArchive, AbsentStringsStayAbsent) {
  const auto decoded = roundTrip(TKSSensorDescription());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->localIdentifier(), std::nullopt);
  EXPECT_EQ(decoded->unit(), std::nullopt);
}

TEST_F(SensorDescriptionArchive, EveryTruncationGivesNoRecord) {
  FanSensor sensor;
  SequentialEncoder encoder;
  sensor.configurationDescription()->encodeWithCoder(encoder);
  const Data full = encoder.data();
  for (std::size_t length = 0; length < full.size(); ++length) {
    SequentialDecoder decoder(Data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(TKSSensorDescription::createWithCoder(decoder), nullptr) << "length " << length;
  }
}

TEST_F(SensorDescriptionArchive, ASensorArchiveIsNoRecordArchive) {
  SequentialEncoder encoder;
  FanSensor().encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(TKSSensorDescription::createWithCoder(decoder), nullptr);
}

TEST(SensorDescriptionPortReplacement, AProxyKeepsTheOriginalRecord) {
  FanSensor sensor;
  const std::shared_ptr<TKSSensorDescription> record = sensor.configurationDescription();

  const auto byReference = record->replacementObjectForPortCoder(PortCoder(true));
  ASSERT_TRUE(std::holds_alternative<DistantObjectProxy<TKSSensorDescription>>(byReference));
  EXPECT_EQ(std::get<DistantObjectProxy<TKSSensorDescription>>(byReference).original(), record);

  const auto byCopy = record->replacementObjectForPortCoder(PortCoder(false));
  ASSERT_TRUE(std::holds_alternative<TKSSensorDescription>(byCopy));
  expectSameFields(std::get<TKSSensorDescription>(byCopy), *record);
}

}  // namespace
}  // namespace sw
