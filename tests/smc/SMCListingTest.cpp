// Reading controller key listings into profile key lists.
#include <gtest/gtest.h>

#include "smc/SMCListing.h"

namespace sw::smc {
namespace {

constexpr const char* kListing =
    "OS X 10.9.5 (13F1911) Some machine\n"
    "Public keys (3):\n"
    "[#KEY] type [ui32] 75693332 len [ 4] attr [80] -> 00000003\n"
    "[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D80\n"
    "[ACCL] type [ui8 ] 75693820 len [ 1] attr [50] -> NOT READABLE, code 85\n"
    "\n"
    "Hidden keys (?):\n"
    "[KPST] type [ui8?] 75693800 len [ 1] attr [C0] -> 00\n"
    "[KPPW] type [ch8*] 6368382A len [16] attr [50] -> NOT READABLE";

TEST(SMCListing, readsPublicUnreadableAndHiddenKeys) {
  std::string error;
  auto keys = parseSMCListing(kListing, &error);
  ASSERT_TRUE(keys) << error;
  ASSERT_EQ(keys->size(), 5u);
  EXPECT_EQ((*keys)[1].key, "TC0D");
  EXPECT_EQ((*keys)[1].bytes, (Data{0x2D, 0x80}));
  EXPECT_FALSE((*keys)[2].readable);
  EXPECT_EQ((*keys)[2].bytes, Data(1, 0));
  EXPECT_FALSE((*keys)[2].hidden);
  EXPECT_TRUE((*keys)[3].hidden);
  EXPECT_EQ((*keys)[3].type, 0x75693800u);  // the hex column, not the printed name
  EXPECT_EQ((*keys)[4].bytes.size(), 16u);
}

TEST(SMCListing, malformedLinesAreRefusedWithTheirLineNumber) {
  struct Case {
    const char* line;
    const char* reason;
  };
  for (const Case& test : {Case{"[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D", "line 2: the bytes do not match the listed size"},
                           Case{"[TC0D] type [sp78] 73703738 len [33] attr [C0] -> 00", "line 2: a data size above 32"},
                           Case{"[TC0D] type [sp78] 7370373 len [ 2] attr [C0] -> 2D80", "line 2: not a key line"},
                           Case{"[TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2DXX", "line 2: the bytes do not match the listed size"}}) {
    std::string error;
    EXPECT_FALSE(parseSMCListing(std::string("Public keys (1):\n") + test.line + "\n", &error)) << test.line;
    EXPECT_EQ(error, test.reason);
  }
}

TEST(SMCListing, keyDictionariesMarkFailAndHiddenAndKeepUnprintableTypesAsData) {
  auto keys = parseSMCListing(kListing, nullptr);
  ASSERT_TRUE(keys);
  Array entries = smcKeysFromListing(*keys, SMCListingSignals::None);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(*entries[1].find("Type")->asString(), "sp78");
  EXPECT_EQ(entries[2].find("Fail")->asBoolean(), true);
  EXPECT_EQ(entries[3].find("Hidden")->asBoolean(), true);
  EXPECT_EQ(*entries[3].find("Type")->asData(), (Data{'u', 'i', '8', 0}));
  EXPECT_EQ(entries[1].find("Signal"), nullptr);
}

TEST(SMCListing, signalsMoveReadableTemperaturesAroundTheirListedValue) {
  auto keys = parseSMCListing(kListing, nullptr);
  Array entries = smcKeysFromListing(*keys, SMCListingSignals::Added);
  const Value* signal = entries[1].find("Signal");
  ASSERT_NE(signal, nullptr);
  EXPECT_EQ(signal->find("Base")->asReal(), 45.5);
  EXPECT_EQ(entries[0].find("Signal"), nullptr);  // the key count never moves
  EXPECT_EQ(entries[2].find("Signal"), nullptr);
}

}  // namespace
}  // namespace sw::smc
