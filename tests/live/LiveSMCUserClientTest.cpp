// The controller's records answered from the applesmc driver's files.
#include <gtest/gtest.h>

#include <cstring>

#include "LiveTreeTest.h"
#include "live/AppleSMCDevice.h"
#include "live/LiveSMCUserClient.h"

namespace sw::live {
namespace {

using test::TreeKey;

constexpr std::uint8_t kReadBytes = 5;
constexpr std::uint8_t kWriteBytes = 6;
constexpr std::uint8_t kReadIndex = 8;
constexpr std::uint8_t kReadKeyInfo = 9;

struct Record {
  std::uint8_t bytes[80] = {};
  std::uint32_t at(std::size_t offset) const {
    std::uint32_t value;
    std::memcpy(&value, bytes + offset, 4);
    return value;
  }
};

Record request(std::uint8_t command, std::uint32_t key, std::uint32_t index = 0) {
  Record record;
  std::memcpy(record.bytes, &key, 4);
  record.bytes[42] = command;
  std::memcpy(record.bytes + 44, &index, 4);
  return record;
}

class LiveSMC : public ::testing::Test {
 protected:
  std::optional<AppleSMCDevice> open(const std::vector<TreeKey>& keys, const std::string& count = "") {
    test::writeAppleSMC(tree_, keys, count);
    return AppleSMCDevice::open(files_);
  }
  os::kern_return_t call(const AppleSMCDevice& device, const Record& input, Record* output, std::size_t size = 80) {
    std::size_t outputSize = 80;
    return LiveSMCUserClient(device).callStructMethod(2, input.bytes, size, output->bytes, &outputSize);
  }

  os::testing::TemporaryDirectory tree_;
  LiveFiles files_{tree_.path()};
};

constexpr std::uint32_t kTC0D = 0x54433044;
constexpr std::uint32_t kSP78 = 0x73703738;

TEST_F(LiveSMC, KeysAnswerByIndexInfoAndBytesAsTheControllerWould) {
  auto device = open({{"#KEY", "ui32", std::string("\0\0\0\2", 4)}, {"TC0D", "sp78", "\x2d\x80"}});
  ASSERT_TRUE(device);
  Record out;
  ASSERT_EQ(call(*device, request(kReadIndex, 0, 1), &out), os::kIOReturnSuccess);
  EXPECT_EQ(out.at(0), kTC0D);
  ASSERT_EQ(call(*device, request(kReadKeyInfo, kTC0D), &out), os::kIOReturnSuccess);
  EXPECT_EQ(out.at(28), 2u);
  EXPECT_EQ(out.at(32), kSP78);
  ASSERT_EQ(call(*device, request(kReadBytes, kTC0D), &out), os::kIOReturnSuccess);
  EXPECT_EQ(out.bytes[48], 0x2d);
  EXPECT_EQ(out.bytes[49], 0x80);
}

TEST_F(LiveSMC, RefusalsKeepTheirPlatformErrors) {
  auto device = open({{"TC0D", "sp78", "\x2d\x80"}, {"KPPW", "ch8*", "12345678", false}});
  ASSERT_TRUE(device);
  Record out;
  EXPECT_EQ(call(*device, request(kWriteBytes, kTC0D), &out), os::kIOReturnNotPrivileged);
  EXPECT_EQ(call(*device, request(kReadIndex, 0, 2), &out), os::kIOReturnNotFound);
  EXPECT_EQ(call(*device, request(kReadBytes, 0x41414141), &out), os::kIOReturnNotFound);
  EXPECT_EQ(call(*device, request(kReadBytes, 0x4B505057), &out), os::kIOReturnError);  // unreadable
  EXPECT_EQ(call(*device, request(kReadKeyInfo, 0x4B505057), &out), os::kIOReturnSuccess);
  EXPECT_EQ(call(*device, request(kReadBytes, kTC0D), &out, 79), os::kIOReturnBadArgument);
  EXPECT_EQ(call(*device, request(42, kTC0D), &out), os::kIOReturnUnsupported);
}

TEST_F(LiveSMC, ABrokenKeyListEndsAtTheFirstKeyTheDriverCannotDescribe) {
  // A count beyond the recorded keys, a key name cut short by a zero byte, a huge count.
  auto longer = open({{"TC0D", "sp78", "\x2d\x80"}}, "5");
  ASSERT_TRUE(longer);
  EXPECT_EQ(longer->keys().size(), 1u);
  auto cut = open({{"TC0D", "sp78", "\x2d\x80"}, {"TA", "sp78", "\x10\x00"}, {"TB0T", "sp78", "\x10\x00"}});
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->keys().size(), 1u);
  auto huge = open({{"TC0D", "sp78", "\x2d\x80"}}, "4294967296000");
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->keys().size(), 1u);
  tree_.write("sys/devices/platform/applesmc.768/key_count", "many\n");
  EXPECT_FALSE(AppleSMCDevice::open(files_));
}

TEST_F(LiveSMC, BytesOfAKeyThatAnotherReaderMovedAwayAreRefused) {
  auto device = open({{"TC0D", "sp78", "\x2d\x80"}, {"TA0P", "sp78", std::string("\x20\x00", 2)}});
  ASSERT_TRUE(device);
  // Another process selects TA0P between our selection and our name check.
  tree_.write("sys/devices/platform/applesmc.768/key_at_index.d/0/key_at_index_name", "TA0P\n");
  EXPECT_FALSE(device->read(device->keys()[0]));
  // A value of another length than the key's is no value of that key.
  tree_.write("sys/devices/platform/applesmc.768/key_at_index.d/1/key_at_index_data", "\x20");
  EXPECT_FALSE(device->read(device->keys()[1]));
}

TEST_F(LiveSMC, TheVersionComesFromTheRevisionKey) {
  const std::pair<std::string, std::string> cases[] = {
      {std::string("\x01\x68\x0f\x00\x00\x99", 6), "1.68f99"},
      {std::string("\x02\x05\x0f\x00\x00\x09", 6), "2.5f9"},
      {std::string("\x02\x05\x0f", 3), ""},
  };
  for (const auto& [bytes, version] : cases) {
    auto device = open({{"REV ", "{rev", bytes}});
    ASSERT_TRUE(device);
    EXPECT_EQ(device->versionText(), version);
  }
}

}  // namespace
}  // namespace sw::live
