// The simulated ATA S.M.A.R.T. user client: @SMART is read strictly, the blocks come out as the
// standard lays them down, failures stay failures, and every interface is counted by the kernel.
#include <gtest/gtest.h>

#include <numeric>

#include "os/IOKit.h"
#include "sim/SimulatedMachine.h"
#include "support/SimulatedMachineTest.h"

namespace sw::sim {
namespace {

using test::problemOf;
using test::ProfileBuilder;

Value attribute(Dictionary fields) {
  fields.try_emplace("ID", Value::integer(194));
  return Value(std::move(fields));
}

TEST(SMARTDescription, AMalformedDescriptionIsRefusedWithItsPathAndProblem) {
  const std::string path = "broken.plist: IORegistry/TestMachine1,1/IOAHCIBlockStorageDevice/@SMART";
  const std::pair<Value, std::string> kRefusals[] = {
      {Value("disk"), ": must be a dictionary"},
      {Value(Dictionary{{"Modell", Value("x")}}), ": unknown @SMART field \"Modell\""},
      {Value(Dictionary{{"Model", Value(std::string(41, 'M'))}}), ": Model must be a string of at most 40 bytes"},
      {Value(Dictionary{{"Serial", Value::integer(1)}}), ": Serial must be a string of at most 20 bytes"},
      {Value(Dictionary{{"Identify", Value(Data(511, 0))}}), ": Identify must be 512 bytes of data"},
      {Value(Dictionary{{"Identify", Value(Data(512, 0))}, {"Model", Value("x")}}),
       ": Identify and the IDENTIFY strings exclude each other"},
      {Value(Dictionary{{"Attributes", Value(Array(31, attribute({})))}}), ": Attributes must be an array of at most 30 dictionaries"},
      {Value(Dictionary{{"Attributes", Value(Array{Value("x")})}}), "/Attributes/0: an attribute must be a dictionary"},
      {Value(Dictionary{{"Attributes", Value(Array{attribute({{"ID", Value::integer(256)}})})}}),
       "/Attributes/0: ID must be an integer from 0 to 255"},
      {Value(Dictionary{{"Attributes", Value(Array{Value(Dictionary{})})}}), "/Attributes/0: ID must be an integer from 0 to 255"},
      {Value(Dictionary{{"Attributes", Value(Array{attribute({{"Raw", Value::integer(1LL << 48)}})})}}),
       "/Attributes/0: Raw must be an integer from 0 to 2^48 - 1 or 6 bytes of data"},
      {Value(Dictionary{{"Attributes", Value(Array{attribute({{"Raw", Value(Data(5, 0))}})})}}),
       "/Attributes/0: Raw must be an integer from 0 to 2^48 - 1 or 6 bytes of data"},
      {Value(Dictionary{{"Attributes", Value(Array{attribute({{"Flags", Value::integer(0x10000)}})})}}),
       "/Attributes/0: Flags must be an integer from 0 to 65535"},
      {Value(Dictionary{{"Attributes", Value(Array{attribute({{"Raw ", Value::integer(1)}})})}}),
       "/Attributes/0: unknown attribute field \"Raw \""},
      {Value(Dictionary{{"Thresholds", Value(Array{Value(Dictionary{{"ID", Value::integer(5)}, {"Threshold", Value::integer(-1)}})})}}),
       "/Thresholds/0: Threshold must be an integer from 0 to 255"},
      {Value(Dictionary{{"Status", Value::boolean(true)}}), ": Status must be an integer from 0 to 1"},
      {Value(Dictionary{{"Fail", Value(Array{Value("read")})}}), ": Fail names open, enable, identify, data, thresholds or status"},
      {Value(Dictionary{{"Fail", Value("data")}}), ": Fail must be an array of operation names"},
  };
  for (const auto& [smart, problem] : kRefusals) {
    const Value profile = ProfileBuilder().entry("IOAHCIBlockStorageDevice", {{"@SMART", smart}}).build();
    EXPECT_EQ(problemOf(SimulatedMachine::load(profile, "broken.plist")), path + problem);
  }
}

class ATASMARTUserClient : public test::SimulatedMachineTest {
 protected:
  /// Opens the S.M.A.R.T. interface of the machine's first disk.
  os::IOATASMARTInterface* open(Dictionary smart) {
    install(ProfileBuilder().entry("IOAHCIBlockStorageDevice", {{"@SMART", Value(std::move(smart))}}));
    disk_ = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("IOAHCIBlockStorageDevice"));
    std::int32_t score = 0;
    if (os::IOCreatePlugInInterfaceForService(disk_, os::kIOATASMARTUserClientTypeID, os::kIOCFPlugInInterfaceID, &plugIn_,
                                              &score) != os::kIOReturnSuccess) {
      return nullptr;
    }
    void* interface = nullptr;
    plugIn_->QueryInterface(os::kIOATASMARTInterfaceID, &interface);
    smart_ = static_cast<os::IOATASMARTInterface*>(interface);
    return smart_;
  }
  /// Gives back the interface, the plug-in and the disk.
  void close() {
    if (smart_ != nullptr) smart_->Release();
    if (plugIn_ != nullptr) os::IODestroyPlugInInterface(plugIn_);
    if (disk_ != 0) os::IOObjectRelease(disk_);
    smart_ = nullptr;
    plugIn_ = nullptr;
    disk_ = 0;
  }
  void TearDown() override {
    close();
    SimulatedMachineTest::TearDown();
  }

  os::io_object_t disk_ = 0;
  os::IOCFPlugInInterface* plugIn_ = nullptr;
  os::IOATASMARTInterface* smart_ = nullptr;
};

std::uint8_t byteSum(const std::uint8_t* bytes) { return std::accumulate(bytes, bytes + 512, std::uint8_t{0}); }

TEST_F(ATASMARTUserClient, TheBlocksAreLaidOutAsTheStandardHasThem) {
  auto* smart = open({{"Model", Value("Hitachi HTS541080G9AT00")}, {"Serial", Value("MPB3L0X2G5K7TH")},
                      {"Firmware", Value("MB4OA5BJ")},
                      {"Attributes", Value(Array{attribute({{"ID", Value::integer(9)}, {"Flags", Value::integer(0x0132)},
                                                            {"Value", Value::integer(88)}, {"Worst", Value::integer(87)},
                                                            {"Raw", Value::integer(0x0102030405)}}),
                                                 Value(Dictionary{{"ID", Value::integer(0)}}),
                                                 attribute({{"Raw", Value(Data{0x2D, 0, 0x23, 0, 0x37, 0})}})})},
                      {"Thresholds", Value(Array{Value(Dictionary{{"ID", Value::integer(9)}, {"Threshold", Value::integer(7)}})})}});
  ASSERT_NE(smart, nullptr);
  std::uint8_t identify[512];
  std::uint32_t size = 0;
  ASSERT_EQ(smart->GetATAIdentifyData(identify, sizeof identify, &size), os::kIOReturnSuccess);
  EXPECT_EQ(size, 512u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identify + 54), 8), "iHathc i") << "words of two characters, swapped";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identify + 20), 20), "PM3B0L2X5G7KHT      ");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(identify + 46), 8), "BMO45AJB");
  EXPECT_EQ(identify[510], 0xA5);
  EXPECT_EQ(byteSum(identify), 0) << "the checksum byte";

  os::ATASMARTData data{};
  ASSERT_EQ(smart->SMARTReadData(&data), os::kIOReturnSuccess);
  const std::uint8_t firstRecord[12] = {9, 0x32, 0x01, 88, 87, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0};
  EXPECT_TRUE(std::equal(firstRecord, firstRecord + 12, data.bytes + 2));
  EXPECT_EQ(data.bytes[0], 0x10) << "revision";
  EXPECT_EQ(data.bytes[14], 0) << "the empty slot";
  EXPECT_EQ(data.bytes[26], 194);
  EXPECT_EQ(data.bytes[31], 0x2D);
  EXPECT_EQ(data.bytes[33], 0x23);
  EXPECT_EQ(byteSum(data.bytes), 0);

  os::ATASMARTDataThresholds thresholds{};
  ASSERT_EQ(smart->SMARTReadDataThresholds(&thresholds), os::kIOReturnSuccess);
  EXPECT_EQ(thresholds.bytes[2], 9);
  EXPECT_EQ(thresholds.bytes[3], 7);
  EXPECT_EQ(byteSum(thresholds.bytes), 0);

  std::uint8_t shortBuffer[100];
  ASSERT_EQ(smart->GetATAIdentifyData(shortBuffer, sizeof shortBuffer, &size), os::kIOReturnSuccess);
  EXPECT_EQ(size, 100u) << "never more than the caller has room for";
  EXPECT_EQ(machine().smartDrives().front()->commandsReceived, 4u);
}

TEST_F(ATASMARTUserClient, AGivenIdentifyBlockIsAnsweredByteForByte) {
  Data block(512);
  for (std::size_t index = 0; index < block.size(); ++index) block[index] = static_cast<std::uint8_t>(index * 7);
  auto* smart = open({{"Identify", Value(block)}});
  ASSERT_NE(smart, nullptr);
  std::uint8_t identify[512];
  std::uint32_t size = 0;
  ASSERT_EQ(smart->GetATAIdentifyData(identify, sizeof identify, &size), os::kIOReturnSuccess);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), identify));
}

TEST_F(ATASMARTUserClient, EachNamedOperationFailsEveryTimeAndTheOthersStillAnswer) {
  auto* smart = open({{"Fail", Value(Array{Value("enable"), Value("data"), Value("status")})}, {"Status", Value::integer(1)}});
  ASSERT_NE(smart, nullptr);
  os::ATASMARTData data{};
  os::ATASMARTDataThresholds thresholds{};
  bool exceeded = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_NE(smart->SMARTEnableDisableOperations(true), os::kIOReturnSuccess);
    EXPECT_NE(smart->SMARTReadData(&data), os::kIOReturnSuccess);
    EXPECT_NE(smart->SMARTReturnStatus(&exceeded), os::kIOReturnSuccess);
  }
  EXPECT_EQ(smart->SMARTReadDataThresholds(&thresholds), os::kIOReturnSuccess);
  EXPECT_EQ(smart->SMARTReadData(nullptr), os::kIOReturnBadArgument);
  EXPECT_EQ(machine().smartDrives().front()->commandsReceived, 7u) << "failed commands count, refused arguments not";

  close();
  ASSERT_NE(open({{"Status", Value::integer(1)}}), nullptr);
  ASSERT_EQ(smart_->SMARTReturnStatus(&exceeded), os::kIOReturnSuccess);
  EXPECT_TRUE(exceeded);
  close();
  EXPECT_EQ(open({{"Fail", Value(Array{Value("open")})}}), nullptr);
}

}  // namespace
}  // namespace sw::sim
