// The sensor base: defaults, ordering, substitute identifier, text, copy and archive.
#include "sensors/TKSSensor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "foundation/SequentialCoder.h"

namespace sw {
namespace {

/// A sensor whose readings come from a queue, so tests can see in which order they are taken.
class ScriptedSensor : public TKSSensor {
 public:
  explicit ScriptedSensor(std::deque<std::int32_t> readings) : readings_(std::move(readings)) {}
  std::string className() const override { return "ScriptedSensor"; }
  std::int32_t rawValue() override {
    const std::int32_t next = readings_.front();
    readings_.pop_front();
    return next;
  }
  std::string unit() const override { return "C"; }
  TKSSensorValueConverter valueConverter() const override {
    TKSSensorValueConverter halving;
    halving.setConversionFunctionType(TKSSensorValueConverter::kLinear);
    halving.setLinearFactor(0.5);
    return halving;
  }

 private:
  std::deque<std::int32_t> readings_;
};

std::shared_ptr<TKSSensor> sensorAt(std::int32_t quantityType, std::string location) {
  auto sensor = std::make_shared<TKSSensor>();
  sensor->setQuantityType(quantityType);
  sensor->setLocationIdentifier(std::move(location));
  return sensor;
}

TEST(FreshSensor, HasTheDocumentedDefaults) {
  TKSSensor sensor;
  EXPECT_EQ(sensor.uniqueIdentifier(), "nil");
  EXPECT_EQ(sensor.locationIdentifier(), "UNKNOWN LOCATION");
  EXPECT_EQ(sensor.sensorName(), "Unknown");
  EXPECT_EQ(sensor.sensorType(), 0);
  EXPECT_EQ(sensor.quantityType(), 0);
  EXPECT_EQ(sensor.precision(), 0.0);
  EXPECT_EQ(sensor.accuracy(), 0.0);
  EXPECT_EQ(sensor.rawValue(), 0);
  EXPECT_EQ(sensor.unit(), " ");
  EXPECT_EQ(sensor.value(), 0.0);
  EXPECT_EQ(sensor.description(),
            "<TKSSensor>: ID: nil Name: Unknown Location: UNKNOWN LOCATION type: 0 quantity: 0 precision: 0 "
            "accuracy: 0 (23590caf: 0 -->  0.00)\n");
}

TEST(FreshSensor, TwoAreTheSameSensor) {
  TKSSensor first;
  TKSSensor second;
  EXPECT_TRUE(first == second);
  EXPECT_EQ(std::hash<TKSSensor>{}(first), std::hash<TKSSensor>{}(second));
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

TEST(SensorOrder, SortsTemperaturesFirstAndLowerCaseLocationsLast) {
  SensorList sensors{sensorAt(2, "A"), sensorAt(1, "lid"), sensorAt(1, "SMC AMBIENT AIR"),
                     sensorAt(1, "Internal Ambient"), sensorAt(0, "Z")};
  std::stable_sort(sensors.begin(), sensors.end(), [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
  std::vector<std::string> locations;
  for (const auto& sensor : sensors) locations.push_back(sensor->locationIdentifier());
  EXPECT_EQ(locations, (std::vector<std::string>{"Z", "Internal Ambient", "SMC AMBIENT AIR", "lid", "A"}));
}

struct SubstituteCase {
  const char* location;
  std::uint32_t expected;
};

class SubstituteIdentifier : public testing::TestWithParam<SubstituteCase> {};

TEST_P(SubstituteIdentifier, IsTheCrcRegisterWithoutFinalInversion) {
  EXPECT_EQ(sensorAt(1, GetParam().location)->substituteIDForLocationIdentifier(), GetParam().expected)
      << GetParam().location;
}

INSTANTIATE_TEST_SUITE_P(Table, SubstituteIdentifier,
                         testing::Values(SubstituteCase{"", 0xFFFFFFFFU}, SubstituteCase{"abc", 0xCADBBE3DU},
                                         SubstituteCase{"UNKNOWN LOCATION", 0x23590CAFU},
                                         // UTF-8 bytes, not UTF-16 units, feed the register.
                                         SubstituteCase{"\xC3\xA9", 0xF1FB72C1U}));

TEST(SensorText, ReadsTheConvertedValueBeforeTheRawValue) {
  ScriptedSensor sensor({100, 7});
  sensor.setUniqueIdentifier("smc.temperature.TC0D");
  sensor.setSensorName("SMC");
  sensor.setLocationIdentifier("abc");
  sensor.setSensorType(1);
  sensor.setQuantityType(TKSQuantityTemperature);
  sensor.setPrecisionAccuracy(0.25, 2.0);
  EXPECT_EQ(sensor.description(),
            "<ScriptedSensor>: ID: smc.temperature.TC0D Name: SMC Location: abc type: 1 quantity: 1 "
            "precision: 0.25 accuracy: 2 (cadbbe3d: 7 --> 50.00)\n");
}

TEST(SensorCopy, IsAPlainSensorEqualToTheOriginal) {
  ScriptedSensor original({42});
  original.setUniqueIdentifier("battery.0.Voltage");
  original.setLocationIdentifier("Battery");
  original.setSensorName("Apple Battery");
  original.setSensorType(3);
  original.setQuantityType(TKSQuantityVoltage);
  original.setPrecisionAccuracy(0.1, 0.5);

  const std::shared_ptr<TKSSensor> copied = original.copy();
  EXPECT_EQ(copied->className(), "TKSSensor");
  EXPECT_TRUE(*copied == original);
  EXPECT_EQ(copied->locationIdentifier(), "Battery");
  EXPECT_EQ(copied->sensorName(), "Apple Battery");
  EXPECT_EQ(copied->sensorType(), 3);
  EXPECT_EQ(copied->quantityType(), TKSQuantityVoltage);
  EXPECT_EQ(copied->precision(), 0.1);
  EXPECT_EQ(copied->accuracy(), 0.5);
  EXPECT_EQ(copied->rawValue(), 0);
  EXPECT_EQ(copied->unit(), " ");
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

TEST_F(SensorArchive, RoundTripKeepsIdentityAndNarrowsPrecisionToFloat) {
  TKSSensor original;
  original.setUniqueIdentifier("smart.Disk.123");
  original.setLocationIdentifier("Disk Bay \xE2\x80\x93 1");
  original.setSensorName("");
  original.setSensorType(-2);
  original.setQuantityType(TKSQuantityFrequency);
  original.setPrecisionAccuracy(0.1, 3.0);

  const auto decoded = decode(archiveOf(original));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->uniqueIdentifier(), "smart.Disk.123");
  EXPECT_EQ(decoded->locationIdentifier(), "Disk Bay \xE2\x80\x93 1");
  EXPECT_EQ(decoded->sensorName(), "");
  EXPECT_EQ(decoded->sensorType(), -2);
  EXPECT_EQ(decoded->quantityType(), TKSQuantityFrequency);
  EXPECT_NE(decoded->precision(), 0.1);
  EXPECT_EQ(decoded->precision(), static_cast<double>(0.1F));
  EXPECT_EQ(decoded->accuracy(), 3.0);
}

TEST_F(SensorArchive, PrecisionBeyondTheFloatRangeBecomesInfinite) {
  TKSSensor original;
  original.setPrecisionAccuracy(1e300, -1e300);
  const auto decoded = decode(archiveOf(original));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->precision(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(decoded->accuracy(), -std::numeric_limits<double>::infinity());
}

TEST_F(SensorArchive, EveryTruncationGivesNoSensor) {
  const Data full = archiveOf(TKSSensor());
  for (std::size_t length = 0; length < full.size(); ++length) {
    EXPECT_EQ(decode(Data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length))), nullptr)
        << "length " << length;
  }
}

TEST_F(SensorArchive, MistypedItemsGiveNoSensor) {
  SequentialEncoder doublePrecision;  // precision and accuracy as "d" instead of "f"
  doublePrecision.encodeString("a");
  doublePrecision.encodeString("b");
  doublePrecision.encodeString("c");
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
