// The 80-byte record as the client declares it and as the simulated driver reads it at its byte
// offsets: each side checks the other.
#include <gtest/gtest.h>

#include <cstring>

#include "os/IOKitTypes.h"
#include "sim/SMCKeyTable.h"
#include "sim/SMCUserClient.h"
#include "smc/SMCTestMachine.h"
#include "smc/SMCValueDecoding.h"
#include "smc/TKSSMCKeyData.h"

namespace sw::test {
namespace {

class SMCRecord : public ::testing::Test {
 protected:
  SMCRecord()
      : table_(sim::SMCKeyTable::parse(Value(Array{smcKey("TC0D", "sp78", {0x2D, 0x80}),
                                                   smcKey("KPST", "ui8 ", {7}, SMCKeyFlag::Hidden),
                                                   smcKey("ACCL", "ui8 ", {0}, SMCKeyFlag::Fail)}),
                                       "@SMCKeys")),
        client_(table_) {}

  os::kern_return_t call(const TKSSMCKeyData& input, TKSSMCKeyData* output, std::size_t inputSize = 80,
                         std::uint32_t selector = kSMCUserClientMethod) {
    std::size_t outputSize = sizeof *output;
    return client_.callStructMethod(selector, &input, inputSize, output, &outputSize);
  }

  static TKSSMCKeyData request(std::uint8_t command, const char* key, std::uint32_t parameter = 0) {
    TKSSMCKeyData record{};
    record.command = command;
    record.key = smc::fourCharCodeForKeyString(key);
    record.parameter = parameter;
    return record;
  }

  sim::SMCKeyTable table_;
  sim::SMCUserClient client_;
};

TEST_F(SMCRecord, theKeyIsAHostOrderIntegerAtOffsetZero) {
  TKSSMCKeyData record = request(kSMCCommandReadIndex, "#KEY");
  std::uint8_t bytes[80];
  std::memcpy(bytes, &record, sizeof bytes);
  EXPECT_EQ(bytes[0], 0x59);
  EXPECT_EQ(bytes[3], 0x23);
  EXPECT_EQ(bytes[42], kSMCCommandReadIndex);
}

TEST_F(SMCRecord, keyInformationBytesAndIndexesComeBackInTheirFields) {
  TKSSMCKeyData output{};
  ASSERT_EQ(call(request(kSMCCommandReadKeyInfo, "TC0D"), &output), os::kIOReturnSuccess);
  EXPECT_EQ(output.keyInfo.dataSize, 2u);
  EXPECT_EQ(smc::stringForFourCharCode(output.keyInfo.dataType), "sp78");

  TKSSMCKeyData bytes{};
  ASSERT_EQ(call(request(kSMCCommandReadBytes, "TC0D"), &bytes), os::kIOReturnSuccess);
  EXPECT_EQ(bytes.bytes[0], 0x2D);
  EXPECT_EQ(bytes.bytes[1], 0x80);

  TKSSMCKeyData indexed{};
  ASSERT_EQ(call(request(kSMCCommandReadIndex, "", 1), &indexed), os::kIOReturnSuccess);
  EXPECT_EQ(smc::stringForFourCharCode(indexed.key), "TC0D");
}

TEST_F(SMCRecord, hiddenKeysAnswerByNameOnly) {
  TKSSMCKeyData output{};
  EXPECT_EQ(call(request(kSMCCommandReadKeyInfo, "KPST"), &output), os::kIOReturnSuccess);
  ASSERT_EQ(call(request(kSMCCommandReadIndex, "", 2), &output), os::kIOReturnSuccess);
  EXPECT_EQ(smc::stringForFourCharCode(output.key), "ACCL");
  EXPECT_NE(call(request(kSMCCommandReadIndex, "", 3), &output), os::kIOReturnSuccess);
}

TEST_F(SMCRecord, unknownFailingAndMalformedRequestsAreErrors) {
  TKSSMCKeyData output{};
  EXPECT_EQ(call(request(kSMCCommandReadKeyInfo, "NONE"), &output), os::kIOReturnNotFound);
  EXPECT_EQ(call(request(kSMCCommandReadKeyInfo, "ACCL"), &output), os::kIOReturnError);
  EXPECT_EQ(call(request(kSMCCommandReadBytes, "ACCL"), &output), os::kIOReturnError);
  EXPECT_EQ(call(request(kSMCCommandReadKeyInfo, "TC0D"), &output, 79), os::kIOReturnBadArgument);
  EXPECT_NE(call(request(kSMCCommandReadKeyInfo, "TC0D"), &output, 80, 3), os::kIOReturnSuccess);
  EXPECT_NE(call(request(42, "TC0D"), &output), os::kIOReturnSuccess);
  sim::SMCCallCounts counts = sim::SMCUserClient::lastConnectionCounts();
  EXPECT_EQ(counts.failed, 4u);  // the two malformed calls never reach the driver's counters
}

}  // namespace
}  // namespace sw::test
