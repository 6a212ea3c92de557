// Sending the machine information: both archive forms carry every fact, broken archives are
// refused, and a by-reference send keeps the original.
#include <gtest/gtest.h>

#include <limits>
#include <variant>

#include "foundation/PortCoder.h"
#include "foundation/SequentialCoder.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

/// Facts that use the full width of every field, so a narrowed or swapped field shows.
TKSMachineInfo::Facts distinctFacts() {
  TKSMachineInfo::Facts f;
  f.numberOfCPUs = 16;
  f.numberOfActiveCPUs = 15;
  f.numberOfPhysicalCPUs = std::numeric_limits<std::uint32_t>::max();
  f.cpuType = 7;
  f.cpuSubType = -4;
  f.cpuVersion = 0x00010676;
  f.cpuFreq = 2'260'000'000;
  f.cpuFreqMin = 1;
  f.cpuFreqMax = std::numeric_limits<std::uint64_t>::max();
  f.cpuFreqNom = 2'266'000'000;
  f.cpuSpeedFeature = 2;
  f.fsbFreq = 1'066'000'000;
  f.fsbFreqMin = 2;
  f.fsbFreqMax = 3;
  f.l1InstructionCacheSize = 32768;
  f.l1DataCacheSize = 32769;
  f.l2CacheSize = 3145728;
  f.l3CacheSize = 8388608;
  f.opsAltiVec = true;
  f.memorySize = 8'589'934'592;
  f.osVersionCode = 0x1068;
  f.appleModelCode = "MacBookPro5,5";
  f.machineSerialNumber = "W8941A2B66J";
  f.osReadableVersion = "Version 10.6.8 (Build 10K549)";
  f.osVersionNumber = "10.6.8";
  f.osReadableBuild = "10K549";
  f.osKernelVersion = "Darwin Kernel Version 10.8.0: Tue Jun  7 16:33:36 PDT 2011; root:xnu-1504.15.3~1/RELEASE_I386";
  f.osKernelVersionNumber = "10.8.0";
  f.bootROMVersion = "MBP55.00AC.B03";
  f.computerName = "Küche";
  f.machineUUID = "00112233-4455-6677-8899-AABBCCDDEEFF";
  f.is64BitCapable = true;
  f.isRunning64BitKernel = false;
  return f;
}

TEST(MachineInfoSequentialArchive, CarriesEveryFactThroughARoundTrip) {
  const TKSMachineInfo original(distinctFacts());
  SequentialEncoder encoder;
  original.encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  const auto decoded = TKSMachineInfo::createWithCoder(decoder);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->facts(), original.facts());
  EXPECT_TRUE(decoder.atEnd());
}

TEST(MachineInfoSequentialArchive, WritesTheFieldsWithTheirFixedTypesInOrder) {
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
  ASSERT_EQ(decoder.decodeUInt64(), 8'589'934'592u);
  ASSERT_EQ(decoder.decodeInt32(), 0x1068);
  EXPECT_EQ(decoder.decodeString(), "MacBookPro5,5");
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(decoder.decodeString()) << "string " << i;
  EXPECT_EQ(decoder.decodeInt8(), 1);
  EXPECT_EQ(decoder.decodeInt8(), 0);
  EXPECT_TRUE(decoder.atEnd());
}

TEST(MachineInfoSequentialArchive, RefusesAnArchiveCutShortAnywhere) {
  SequentialEncoder encoder;
  TKSMachineInfo(distinctFacts()).encodeWithCoder(encoder);
  const Data& whole = encoder.data();
  for (std::size_t length = 0; length < whole.size(); length += 7) {
    SequentialDecoder decoder(Data(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(TKSMachineInfo::createWithCoder(decoder), nullptr) << "cut at " << length;
  }
}

TEST(MachineInfoKeyedArchive, CarriesEveryFactUnderItsKey) {
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

class KeyedArchiveRejection : public ::testing::TestWithParam<BrokenKeyedArchive> {};

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
                      BrokenKeyedArchive{"a missing last flag", "64BitKernel", std::nullopt},
                      BrokenKeyedArchive{"a string where a count belongs", "L2CacheSize", Value("3 MB")},
                      BrokenKeyedArchive{"a real where an integer belongs", "CPUType", Value::real(7.5)},
                      BrokenKeyedArchive{"a count beyond 32 bits", "NumberOfCPUs", Value::integer(1LL << 32)},
                      BrokenKeyedArchive{"a negative count", "L1DataCacheSize", Value::integer(-1)},
                      BrokenKeyedArchive{"a code beyond 32 bits", "OSVersionCode", Value::integer(1LL << 31)},
                      BrokenKeyedArchive{"an integer where a flag belongs", "VectorUnit", Value::integer(1)},
                      BrokenKeyedArchive{"data where a string belongs", "MachineSerialNumber", Value(Data{1, 2})},
                      BrokenKeyedArchive{"a boolean where a frequency belongs", "CPUFreq", Value::boolean(true)}));

TEST(MachineInfoSentToAnotherProcess, GoesByCopyUnlessAReferenceIsAskedFor) {
  const auto shared = std::make_shared<TKSMachineInfo>(distinctFacts());
  const auto byCopy = shared->replacementObjectForPortCoder(PortCoder(false));
  ASSERT_TRUE(std::holds_alternative<TKSMachineInfo>(byCopy));
  EXPECT_EQ(std::get<TKSMachineInfo>(byCopy).facts(), shared->facts());

  const auto byReference = shared->replacementObjectForPortCoder(PortCoder(true));
  ASSERT_TRUE(std::holds_alternative<DistantObjectProxy<TKSMachineInfo>>(byReference));
  EXPECT_EQ(std::get<DistantObjectProxy<TKSMachineInfo>>(byReference).original(), shared);
}

TEST(MachineInfoSentToAnotherProcess, AnUnsharedInstanceSendsAProxyOfItsCopy) {
  const TKSMachineInfo standalone(distinctFacts());
  const auto byReference = standalone.replacementObjectForPortCoder(PortCoder(true));
  ASSERT_TRUE(std::holds_alternative<DistantObjectProxy<TKSMachineInfo>>(byReference));
  EXPECT_EQ(std::get<DistantObjectProxy<TKSMachineInfo>>(byReference).original()->facts(), standalone.facts());
}

}  // namespace
}  // namespace sw
