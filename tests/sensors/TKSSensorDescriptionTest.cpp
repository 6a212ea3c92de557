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
    setQuantityType(TKSQuantityFanSpeed);
    setPrecisionAccuracy(0.1, 50.0);
  }
  std::string unit() const override { return "RPM"; }
};

constexpr const char* kFanText =
    "local identifier: 'smc.fan.0' location identifier: 'abc' sensor name: 'Unknown' unit: 'RPM' type: 0 "
    "quantity: 6 precision: 0.1 accuracy: 50 substitute ID: 3403398717";

std::shared_ptr<TKSSensorDescription> roundTrip(const TKSSensorDescription& record) {
  SequentialEncoder encoder;
  record.encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  return TKSSensorDescription::createWithCoder(decoder);
}

TEST(SensorDescriptionRecord, SnapshotsTheSensorIncludingItsUnit) {
  EXPECT_EQ(TKSSensor().configurationDescription()->description(),
            "local identifier: 'nil' location identifier: 'UNKNOWN LOCATION' sensor name: 'Unknown' unit: ' ' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 593038511");
  FanSensor fan;
  EXPECT_EQ(fan.configurationDescription()->description(), kFanText);
  EXPECT_EQ(fan.configurationDescription()->copy()->description(), kFanText);
  EXPECT_EQ(TKSSensorDescription::descriptionForSensor(nullptr), nullptr);
}

TEST(SensorDescriptionRecord, ArchiveKeepsDoublesExactlyAndAbsentStringsAbsent) {
  const auto decoded = roundTrip(*FanSensor().configurationDescription());
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->precision(), 0.1);
  EXPECT_EQ(decoded->description(), kFanText);

  const auto fresh = roundTrip(TKSSensorDescription());
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->localIdentifier(), std::nullopt);
  EXPECT_EQ(fresh->description(),
            "local identifier: '(null)' location identifier: '(null)' sensor name: '(null)' unit: '(null)' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 0");
}

TEST(SensorDescriptionRecord, ASensorArchiveIsNoRecordArchive) {
  SequentialEncoder encoder;
  FanSensor().encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(TKSSensorDescription::createWithCoder(decoder), nullptr);
}

TEST(SensorDescriptionRecord, AProxyKeepsTheOriginalRecord) {
  const std::shared_ptr<TKSSensorDescription> record = FanSensor().configurationDescription();
  const auto byReference = record->replacementObjectForPortCoder(PortCoder(true));
  EXPECT_EQ(std::get<DistantObjectProxy<TKSSensorDescription>>(byReference).original(), record);
  const auto byCopy = record->replacementObjectForPortCoder(PortCoder(false));
  EXPECT_EQ(std::get<TKSSensorDescription>(byCopy).description(), kFanText);
}

}  // namespace
}  // namespace sw
