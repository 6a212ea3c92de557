// The sensor base: defaults, ordering, substitute identifier, text, copy and archive.
#include "sensors/TKSSensor.h"

#include <gtest/gtest.h>

#include "foundation/SequentialCoder.h"

namespace sw {
namespace {

/// Reads 100 first and 7 afterwards, halved by its converter, so tests see the order of reads.
class ScriptedSensor : public TKSSensor {
 public:
  std::string className() const override { return "ScriptedSensor"; }
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

std::shared_ptr<TKSSensor> sensorAt(std::int32_t quantityType, std::string location) {
  auto sensor = std::make_shared<TKSSensor>();
  sensor->setQuantityType(quantityType);
  sensor->setLocationIdentifier(std::move(location));
  return sensor;
}

TEST(FreshSensor, HasTheDocumentedDefaultsAndEqualsAnyOtherFreshSensor) {
  TKSSensor sensor;
  EXPECT_EQ(sensor.description(),
            "<TKSSensor>: ID: nil Name: Unknown Location: UNKNOWN LOCATION type: 0 quantity: 0 precision: 0 "
            "accuracy: 0 (23590caf: 0 -->  0.00)\n");
  EXPECT_EQ(sensor.unit(), " ");
  EXPECT_EQ(sensor.value(), 0.0);
  TKSSensor other;
  EXPECT_TRUE(sensor == other);
  EXPECT_EQ(std::hash<TKSSensor>{}(sensor), std::hash<TKSSensor>{}(other));
}

struct OrderCase {
  const char* fault;
  std::int32_t firstQuantity;
  const char* firstLocation;
  std::int32_t secondQuantity;
  const char* secondLocation;
  int expected;
};

class SensorOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(SensorOrder, ComparesQuantityThenLocation) {
  const OrderCase& c = GetParam();
  const auto first = sensorAt(c.firstQuantity, c.firstLocation);
  const auto second = sensorAt(c.secondQuantity, c.secondLocation);
  EXPECT_EQ(first->compare(*second), c.expected) << c.fault;
  EXPECT_EQ(second->compare(*first), -c.expected) << c.fault << " (reversed)";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SensorOrder,
    testing::Values(OrderCase{"location outranks quantity", 1, "Z", 2, "A", -1},
                    OrderCase{"quantity compared signed", -1, "A", 13, "A", 1},
                    OrderCase{"upper-case I not before S", 1, "Internal Ambient", 1, "SMC AMBIENT AIR", -1},
                    OrderCase{"lower case sorts before upper case", 1, "abc", 1, "Zone", 1},
                    OrderCase{"prefix sorts after the longer text", 1, "SMC CPU", 1, "SMC CPU A", -1},
                    OrderCase{"non-ASCII byte compared signed", 1, "\xC3\xA9", 1, "z", 1},
                    OrderCase{"equal keys not the same", 2, "SMC", 2, "SMC", 0}));

TEST(SubstituteIdentifier, IsTheCrcRegisterWithoutFinalInversion) {
  EXPECT_EQ(sensorAt(1, "")->substituteIDForLocationIdentifier(), 0xFFFFFFFFU);
  EXPECT_EQ(sensorAt(1, "abc")->substituteIDForLocationIdentifier(), 0xCADBBE3DU);
  EXPECT_EQ(sensorAt(1, "UNKNOWN LOCATION")->substituteIDForLocationIdentifier(), 0x23590CAFU);
  EXPECT_EQ(sensorAt(1, "\xC3\xA9")->substituteIDForLocationIdentifier(), 0xF1FB72C1U) << "UTF-8 bytes feed it";
}

TEST(SensorText, ReadsTheConvertedValueBeforeTheRawValue) {
  ScriptedSensor sensor;
  sensor.setUniqueIdentifier("smc.temperature.TC0D");
  sensor.setLocationIdentifier("abc");
  sensor.setPrecisionAccuracy(0.25, 2.0);
  EXPECT_EQ(sensor.description(),
            "<ScriptedSensor>: ID: smc.temperature.TC0D Name: Unknown Location: abc type: 0 quantity: 0 "
            "precision: 0.25 accuracy: 2 (cadbbe3d: 7 --> 50.00)\n");
}

TEST(SensorCopy, IsAPlainSensorWithTheSameFields) {
  ScriptedSensor original;
  original.setUniqueIdentifier("battery.0.Voltage");
  original.setSensorName("Apple Battery");
  original.setSensorType(3);
  original.setPrecisionAccuracy(0.1, 0.5);
  const std::shared_ptr<TKSSensor> copied = original.copy();
  EXPECT_TRUE(*copied == original);
  EXPECT_EQ(copied->description(),
            "<TKSSensor>: ID: battery.0.Voltage Name: Apple Battery Location: UNKNOWN LOCATION type: 3 "
            "quantity: 0 precision: 0.1 accuracy: 0.5 (23590caf: 0 -->  0.00)\n");
}

class SensorArchive : public testing::Test {
 protected:
  static Data archiveOf(const TKSSensor& sensor) {
    SequentialEncoder encoder;
    sensor.encodeWithCoder(encoder);
    return encoder.data();
  }
  static std::shared_ptr<TKSSensor> decode(Data bytes) {
    SequentialDecoder decoder(std::move(bytes));
    return TKSSensor::createWithCoder(decoder);
  }
};

TEST_F(SensorArchive, KeepsIdentityAndNarrowsPrecisionToFloat) {
  TKSSensor original;
  original.setUniqueIdentifier("smart.Disk.123");
  original.setSensorName("");
  original.setSensorType(-2);
  original.setQuantityType(TKSQuantityFrequency);
  original.setPrecisionAccuracy(0.1, 1e300);
  const auto decoded = decode(archiveOf(original));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->description(),
            "<TKSSensor>: ID: smart.Disk.123 Name:  Location: UNKNOWN LOCATION type: -2 quantity: 13 precision: 0.1 "
            "accuracy: inf (23590caf: 0 -->  0.00)\n");
  EXPECT_EQ(decoded->precision(), static_cast<double>(0.1F)) << "the nearest float, not 0.1";
}

TEST_F(SensorArchive, TruncatedOrMistypedArchivesGiveNoSensor) {
  const Data full = archiveOf(TKSSensor());
  for (std::size_t length = 0; length < full.size(); ++length) {
    EXPECT_EQ(decode(Data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length))), nullptr)
        << "length " << length;
  }
  SequentialEncoder doublePrecision;  // precision as "d" instead of "f"
  for (const char* text : {"a", "b", "c"}) doublePrecision.encodeString(text);
  doublePrecision.encodeInt32(0);
  doublePrecision.encodeInt32(0);
  doublePrecision.encodeDouble(1.0);
  doublePrecision.encodeDouble(1.0);
  EXPECT_EQ(decode(doublePrecision.data()), nullptr);

  SequentialEncoder nilIdentifier;
  nilIdentifier.encodeNullableString(std::nullopt);
  EXPECT_EQ(decode(nilIdentifier.data()), nullptr);
}

}  // namespace
}  // namespace sw
