// Sending the machine information: both archive forms carry every fact, broken archives are
// refused, and a by-reference send keeps the original.
#include <gtest/gtest.h>

#include <limits>
#include <variant>

#include "foundation/PortCoder.h"
#include "foundation/SequentialCoder.h"
#include "support/SimulatedMachineTest.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

class MachineInfoArchive : public test::SimulatedMachineTest {
 protected:
  /// A real machine's facts, with the widest values in some fields so a narrowed field shows.
  TKSMachineInfo::Facts distinctFacts() {
    installBuiltIn("MacBookPro5,5");
    TKSMachineInfo::Facts f = TKSMachineInfo().facts();
    f.numberOfPhysicalCPUs = std::numeric_limits<std::uint32_t>::max();
    f.cpuSubType = -4;
    f.cpuFreqMax = std::numeric_limits<std::uint64_t>::max();
    f.computerName = "Küche";
    return f;
  }
};

TEST_F(MachineInfoArchive, CarriesEveryFactThroughARoundTrip) {
  const TKSMachineInfo original(distinctFacts());
  SequentialEncoder encoder;
  original.encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  const auto decoded = TKSMachineInfo::createWithCoder(decoder);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->facts(), original.facts());
  EXPECT_TRUE(decoder.atEnd());
}

TEST_F(MachineInfoArchive, WritesTheFieldsWithTheirFixedTypesInOrder) {
  SequentialEncoder encoder;
  TKSMachineInfo(distinctFacts()).encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(decoder.decodeUInt32()) << "unsigned count " << i;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(decoder.decodeInt32()) << "type code " << i;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(decoder.decodeUInt64()) << "frequency " << i;
  ASSERT_TRUE(decoder.decodeInt32());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(decoder.decodeUInt64()) << "bus frequency " << i;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(decoder.decodeUInt32()) << "cache " << i;
  ASSERT_EQ(decoder.decodeInt8(), 1);
  ASSERT_EQ(decoder.decodeUInt64(), 4'294'967'296u);
  ASSERT_EQ(decoder.decodeInt32(), 0x1068);
  EXPECT_EQ(decoder.decodeString(), "MacBookPro5,5");
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(decoder.decodeString()) << "string " << i;
  EXPECT_EQ(decoder.decodeInt8(), 1);
  EXPECT_EQ(decoder.decodeInt8(), 0);
  EXPECT_TRUE(decoder.atEnd());
}

TEST_F(MachineInfoArchive, RefusesAnArchiveCutShortAnywhere) {
  SequentialEncoder encoder;
  TKSMachineInfo(distinctFacts()).encodeWithCoder(encoder);
  const Data& whole = encoder.data();
  for (std::size_t length = 0; length < whole.size(); length += 7) {
    SequentialDecoder decoder(Data(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(TKSMachineInfo::createWithCoder(decoder), nullptr) << "cut at " << length;
  }
}

TEST_F(MachineInfoArchive, CarriesEveryFactUnderItsKey) {
  const TKSMachineInfo original(distinctFacts());
  const Dictionary archive = original.encodeWithKeyedCoder();
  EXPECT_EQ(archive.size(), 33u);
  EXPECT_EQ(archive.at("AppleModelCode"), Value("MacBookPro5,5"));
  EXPECT_EQ(archive.at("OSVersionCode"), Value::integer(0x1068));
  EXPECT_EQ(archive.at("64BitCapable"), Value::boolean(true));
  EXPECT_EQ(archive.at("VectorUnit"), Value::boolean(true));
  const auto decoded = TKSMachineInfo::createWithKeyedCoder(archive);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->facts(), original.facts());
}

struct BrokenKeyedArchive {
  const char* fault;
  const char* key;
  std::optional<Value> replacement;  // nothing: the key is removed
};

class KeyedArchiveRejection : public MachineInfoArchive, public ::testing::WithParamInterface<BrokenKeyedArchive> {};

TEST_P(KeyedArchiveRejection, RefusesTheArchiveInsteadOfGuessing) {
  Dictionary archive = TKSMachineInfo(distinctFacts()).encodeWithKeyedCoder();
  const BrokenKeyedArchive& broken = GetParam();
  if (broken.replacement) {
    archive[broken.key] = *broken.replacement;
  } else {
    archive.erase(broken.key);
  }
  EXPECT_EQ(TKSMachineInfo::createWithKeyedCoder(archive), nullptr) << broken.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, KeyedArchiveRejection,
    ::testing::Values(BrokenKeyedArchive{"a missing count", "NumberOfCPUs", std::nullopt},
                      BrokenKeyedArchive{"a string where a count belongs", "L2CacheSize", Value("3 MB")},
                      BrokenKeyedArchive{"a real where an integer belongs", "CPUType", Value::real(7.5)},
                      BrokenKeyedArchive{"a count beyond 32 bits", "NumberOfCPUs", Value::integer(1LL << 32)},
                      BrokenKeyedArchive{"a negative count", "L1DataCacheSize", Value::integer(-1)},
                      BrokenKeyedArchive{"an integer where a flag belongs", "VectorUnit", Value::integer(1)},
                      BrokenKeyedArchive{"data where a string belongs", "MachineSerialNumber", Value(Data{1, 2})},
                      BrokenKeyedArchive{"a boolean where a frequency belongs", "CPUFreq", Value::boolean(true)}));

TEST_F(MachineInfoArchive, GoesByCopyUnlessAReferenceIsAskedFor) {
  const auto shared = std::make_shared<TKSMachineInfo>(distinctFacts());
  const auto byCopy = shared->replacementObjectForPortCoder(PortCoder(false));
  ASSERT_TRUE(std::holds_alternative<TKSMachineInfo>(byCopy));
  EXPECT_EQ(std::get<TKSMachineInfo>(byCopy).facts(), shared->facts());

  const auto byReference = shared->replacementObjectForPortCoder(PortCoder(true));
  ASSERT_TRUE(std::holds_alternative<DistantObjectProxy<TKSMachineInfo>>(byReference));
  EXPECT_EQ(std::get<DistantObjectProxy<TKSMachineInfo>>(byReference).original(), shared);
}

}  // namespace
}  // namespace sw
