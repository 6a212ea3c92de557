// The sensor base and its detached description record: defaults, ordering, substitute
// identifier, texts, copies and archives.
#include "sensors/TKSSensor.h"

#include <gtest/gtest.h>

#include "foundation/SequentialCoder.h"
#include "sensors/TKSSensorDescription.h"

namespace sw {
namespace {

/// A fan that reads 100 first and 7 afterwards, halved by its converter, so tests see the order of reads.
class ScriptedFan : public TKSSensor {
 public:
  ScriptedFan() {
    setUniqueIdentifier("smc.fan.0");
    setLocationIdentifier("abc");
    setQuantityType(TKSQuantityFanSpeed);
    setPrecisionAccuracy(0.1, 50.0);
  }
  std::string className() const override { return "ScriptedFan"; }
  std::string unit() const override { return "RPM"; }
  std::int32_t rawValue() override { return reads_++ == 0 ? 100 : 7; }
  TKSSensorValueConverter valueConverter() const override {
    TKSSensorValueConverter halving;
    halving.setConversionFunctionType(TKSSensorValueConverter::kLinear);
    halving.setLinearFactor(0.5);
    return halving;
  }

 private:
  int reads_ = 0;
};

constexpr const char* kFanRecordText =
    "local identifier: 'smc.fan.0' location identifier: 'abc' sensor name: 'Unknown' unit: 'RPM' type: 0 "
    "quantity: 6 precision: 0.1 accuracy: 50 substitute ID: 3403398717";

template <typename Archivable>
Data archiveOf(const Archivable& object) {
  SequentialEncoder encoder;
  object.encodeWithCoder(encoder);
  return encoder.data();
}

template <typename Decoded>
auto decode(Data bytes) {
  SequentialDecoder decoder(std::move(bytes));
  return Decoded::createWithCoder(decoder);
}

std::shared_ptr<TKSSensor> sensorAt(std::int32_t quantityType, std::string location) {
  auto sensor = std::make_shared<TKSSensor>();
  sensor->setQuantityType(quantityType);
  sensor->setLocationIdentifier(std::move(location));
  return sensor;
}

TEST(SensorTexts, ShowTheDefaultsTheConvertedValueReadBeforeTheRawOneAndSurviveACopy) {
  TKSSensor fresh;
  EXPECT_EQ(fresh.description(),
            "<TKSSensor>: ID: nil Name: Unknown Location: UNKNOWN LOCATION type: 0 quantity: 0 precision: 0 "
            "accuracy: 0 (23590caf: 0 -->  0.00)\n");
  EXPECT_EQ(fresh.configurationDescription()->description(),
            "local identifier: 'nil' location identifier: 'UNKNOWN LOCATION' sensor name: 'Unknown' unit: ' ' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 593038511");
  ScriptedFan fan;
  EXPECT_EQ(fan.description(),
            "<ScriptedFan>: ID: smc.fan.0 Name: Unknown Location: abc type: 0 quantity: 6 precision: 0.1 accuracy: 50 "
            "(cadbbe3d: 7 --> 50.00)\n");
  EXPECT_EQ(fan.configurationDescription()->description(), kFanRecordText);
  EXPECT_EQ(TKSSensorDescription::descriptionForSensor(nullptr), nullptr);
  const std::shared_ptr<TKSSensor> copied = fan.copy();  // a plain sensor, whatever the class
  EXPECT_TRUE(*copied == fan);
  EXPECT_EQ(copied->description(),
            "<TKSSensor>: ID: smc.fan.0 Name: Unknown Location: abc type: 0 quantity: 6 precision: 0.1 accuracy: 50 "
            "(cadbbe3d: 0 -->  0.00)\n");
}

TEST(SensorOrder, ComparesQuantityThenLocationBytesSigned) {
  struct Order {
    const char *fault, *firstLocation, *secondLocation;
    std::int32_t firstQuantity, secondQuantity;
    int expected;
  };
  const Order cases[] = {{"location outranks quantity", "Z", "A", 1, 2, -1},
                         {"quantity compared signed", "A", "A", -1, 13, 1},
                         {"upper-case I not before S", "Internal Ambient", "SMC AMBIENT AIR", 1, 1, -1},
                         {"lower case sorts before upper case", "abc", "Zone", 1, 1, 1},
                         {"prefix sorts after the longer text", "SMC CPU", "SMC CPU A", 1, 1, -1},
                         {"non-ASCII byte compared signed", "\xC3\xA9", "z", 1, 1, 1},
                         {"equal keys not the same", "SMC", "SMC", 2, 2, 0}};
  for (const Order& c : cases) {
    const auto first = sensorAt(c.firstQuantity, c.firstLocation);
    const auto second = sensorAt(c.secondQuantity, c.secondLocation);
    EXPECT_EQ(first->compare(*second), c.expected) << c.fault;
    EXPECT_EQ(second->compare(*first), -c.expected) << c.fault << " (reversed)";
  }
}

TEST(SubstituteIdentifier, IsTheCrcRegisterOfTheLocationBytesWithoutFinalInversion) {
  EXPECT_EQ(sensorAt(1, "")->substituteIDForLocationIdentifier(), 0xFFFFFFFFU);
  EXPECT_EQ(sensorAt(1, "abc")->substituteIDForLocationIdentifier(), 0xCADBBE3DU);
  EXPECT_EQ(sensorAt(1, "UNKNOWN LOCATION")->substituteIDForLocationIdentifier(), 0x23590CAFU);
  EXPECT_EQ(sensorAt(1, "\xC3\xA9")->substituteIDForLocationIdentifier(), 0xF1FB72C1U);
}

TEST(SensorArchive, NarrowsPrecisionToAFloatWhileTheRecordKeepsTheDoubleExactly) {
  ScriptedFan original;
  original.setSensorName("");
  original.setSensorType(-2);
  original.setPrecisionAccuracy(0.1, 1e300);
  const auto sensor = decode<TKSSensor>(archiveOf(original));
  ASSERT_NE(sensor, nullptr);
  EXPECT_EQ(sensor->description(),
            "<TKSSensor>: ID: smc.fan.0 Name:  Location: abc type: -2 quantity: 6 precision: 0.1 accuracy: inf "
            "(cadbbe3d: 0 -->  0.00)\n");
  EXPECT_EQ(sensor->precision(), static_cast<double>(0.1F)) << "the nearest float, not 0.1";

  const auto record = decode<TKSSensorDescription>(archiveOf(*ScriptedFan().configurationDescription()));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->precision(), 0.1);
  EXPECT_EQ(record->description(), kFanRecordText);
  const auto fresh = decode<TKSSensorDescription>(archiveOf(TKSSensorDescription()));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->description(),
            "local identifier: '(null)' location identifier: '(null)' sensor name: '(null)' unit: '(null)' "
            "type: 0 quantity: 0 precision: 0 accuracy: 0 substitute ID: 0");
}

TEST(SensorArchive, TruncatedOrMistypedArchivesGiveNothing) {
  const Data full = archiveOf(TKSSensor());
  for (std::size_t length = 0; length < full.size(); ++length) {
    EXPECT_EQ(decode<TKSSensor>(Data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length))), nullptr)
        << "length " << length;
  }
  SequentialEncoder doublePrecision;  // precision and accuracy as "d" instead of "f"
  for (const char* text : {"a", "b", "c"}) doublePrecision.encodeString(text);
  for (int i = 0; i < 2; ++i) doublePrecision.encodeInt32(0);
  for (int i = 0; i < 2; ++i) doublePrecision.encodeDouble(1.0);
  EXPECT_EQ(decode<TKSSensor>(doublePrecision.data()), nullptr);
  SequentialEncoder nilIdentifier;
  nilIdentifier.encodeNullableString(std::nullopt);
  EXPECT_EQ(decode<TKSSensor>(nilIdentifier.data()), nullptr);
  EXPECT_EQ(decode<TKSSensorDescription>(archiveOf(ScriptedFan())), nullptr) << "a sensor is no record";
}

}  // namespace
}  // namespace sw
