// The live machine's disks: found in /sys/block, published in the registry as a Mac's AHCI disks,
// read through their S.M.A.R.T. plug-ins from recorded answers; a disk whose answers are short,
// lying or refused has no S.M.A.R.T. sensor or fails the one call, never more.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "LiveTreeTest.h"
#include "live/SGIODevice.h"

namespace sw::live {
namespace {

using test::liveMachineOf;
using Block = std::array<std::uint8_t, 512>;

void storeWord(Block& block, std::size_t word, std::uint16_t value) {
  block[2 * word] = static_cast<std::uint8_t>(value);
  block[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
}

void seal(Block& block) {
  std::uint8_t sum = 0;
  for (std::size_t index = 0; index + 1 < block.size(); ++index) sum = static_cast<std::uint8_t>(sum + block[index]);
  block[511] = static_cast<std::uint8_t>(0x100 - sum);
}

/// IDENTIFY of a disk with S.M.A.R.T. supported and on, its strings in ATA byte order.
Block identifyBlock(std::uint16_t supported = 0x0001, std::uint16_t enabled = 0x0001, std::uint16_t general = 0x0040) {
  Block block{};
  storeWord(block, 0, general);
  storeWord(block, 82, supported);
  storeWord(block, 85, enabled);
  auto place = [&](std::size_t offset, std::size_t length, std::string text) {
    text.resize(length, ' ');
    for (std::size_t index = 0; index < length; ++index) block[offset + (index ^ 1)] = static_cast<std::uint8_t>(text[index]);
  };
  place(20, 20, "091022PBN40017DSMTHE");
  place(46, 8, "PB2AC60N");
  place(54, 40, "Hitachi HTS545025B9SA02");
  block[510] = 0xA5;
  seal(block);
  return block;
}

/// A data block with the temperature attribute in slot 0 and its threshold block.
Block dataBlock() {
  Block block{};
  storeWord(block, 0, 0x0010);
  const std::uint8_t temperature[] = {194, 0x22, 0x00, 127, 100, 38, 0, 17, 0, 45, 0};
  std::copy(std::begin(temperature), std::end(temperature), block.begin() + 2);
  seal(block);
  return block;
}

std::string text(const Block& block) { return std::string(block.begin(), block.end()); }

// Descriptor sense with the ATA Status Return descriptor: LBA mid/high and ATA status.
std::string returnSense(std::uint8_t key, std::uint8_t mid, std::uint8_t high, std::uint8_t status = 0x50) {
  const std::uint8_t bytes[] = {0x72, key, 0x00, 0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0, 0, 0, 0, 0, 0, 0, mid, 0, high, 0x40, status};
  return std::string(std::begin(bytes), std::end(bytes));
}

class LiveDisks : public ::testing::Test {
 protected:
  /// A disk in sysfs; with answers, its recorded answers of a good drive.
  void writeDisk(const std::string& name, bool answers) {
    tree_.write("sys/block/" + name + "/device/model", "Hitachi HTS5450\n");
    tree_.write("sys/block/" + name + "/removable", "0\n");
    tree_.write("sys/block/" + name + "/queue/rotational", "1\n");
    if (!answers) return;
    answer(name, "identify.data", text(identifyBlock()));
    answer(name, "smart-read-data.data", text(dataBlock()));
    answer(name, "smart-read-thresholds.data", text(Block{}));
    answer(name, "smart-return-status.status", "2\n");
    answer(name, "smart-return-status.sense", returnSense(0x01, 0x4F, 0xC2));
  }
  void answer(const std::string& disk, const std::string& file, const std::string& contents) {
    tree_.write("recorded-ata/" + disk + "/" + file, contents);
  }

  std::vector<os::io_service_t> disks(LiveMachine& machine) {
    os::io_iterator_t found = 0;
    machine.getMatchingServices({{"IOProviderClass", Value("IOAHCIBlockStorageDevice")}}, &found);
    std::vector<os::io_service_t> services;
    while (os::io_service_t service = machine.iteratorNext(found)) services.push_back(service);
    machine.objectRelease(found);
    return services;
  }

  /// The disk's S.M.A.R.T. interface, or nullptr when its plug-in is refused.
  os::IOATASMARTInterface* open(LiveMachine& machine, os::io_service_t disk) {
    std::int32_t score = 0;
    plugIn_ = nullptr;
    if (machine.createPlugInInterfaceForService(disk, os::kIOATASMARTUserClientTypeID, os::kIOCFPlugInInterfaceID,
                                                &plugIn_, &score) != os::kIOReturnSuccess) {
      return nullptr;
    }
    void* smart = nullptr;
    EXPECT_EQ(plugIn_->QueryInterface(os::kIOATASMARTInterfaceID, &smart), os::S_OK);
    return static_cast<os::IOATASMARTInterface*>(smart);
  }
  void close(LiveMachine& machine, os::IOATASMARTInterface* smart) {
    smart->Release();
    EXPECT_EQ(machine.destroyPlugInInterface(plugIn_), os::kIOReturnSuccess);
  }

  os::testing::TemporaryDirectory tree_;
  os::IOCFPlugInInterface* plugIn_ = nullptr;
};

TEST_F(LiveDisks, ADiskThatAnswersIsReadThroughItsPlugInAndOneThatCannotBeOpenedHasNone) {
  writeDisk("sda", true);
  writeDisk("sdb", false);
  tree_.write("sys/block/loop0/removable", "0\n");  // not a disk the plug-in would know
  // The unit serial page of a disk that does not answer, its length byte claiming more than is there.
  tree_.write("sys/block/sdb/device/vpd_pg80", std::string("\0\x80\0\x40  WD-123 \x01", 13));
  tree_.write("sys/block/sdb/removable", "1\n");
  auto machine = liveMachineOf(tree_.path());
  ASSERT_TRUE(machine);
  const std::vector<os::io_service_t> services = disks(*machine);
  ASSERT_EQ(services.size(), 2u);
  const std::optional<Value> answering = machine->registryEntryCreateProperty(services[0], "Device Characteristics");
  ASSERT_TRUE(answering);
  const Value* characteristics = &*answering;
  // IDENTIFY has the whole model where the kernel's inquiry cuts it to 16 characters.
  EXPECT_EQ(*characteristics->find("Product Name")->asString(), "Hitachi HTS545025B9SA02");
  EXPECT_EQ(*characteristics->find("Serial Number")->asString(), "091022PBN40017DSMTHE");
  EXPECT_EQ(machine->registryEntryCreateProperty(services[0], "SMART Capable")->asBoolean(), true);
  EXPECT_EQ(machine->registryEntryCreateProperty(services[1], "SMART Capable")->asBoolean(), false);
  const std::optional<Value> silent = machine->registryEntryCreateProperty(services[1], "Device Characteristics");
  EXPECT_EQ(*silent->find("Product Name")->asString(), "Hitachi HTS5450");
  EXPECT_EQ(*silent->find("Serial Number")->asString(), "WD-123");
  EXPECT_EQ(*machine->registryEntryCreateProperty(services[1], "Protocol Characteristics")
                 ->find("Physical Interconnect Location")
                 ->asString(),
            "External");

  const std::size_t held = machine->heldReferenceCount();
  os::IOATASMARTInterface* smart = open(*machine, services[0]);
  ASSERT_NE(smart, nullptr);
  EXPECT_EQ(smart->SMARTEnableDisableOperations(true), os::kIOReturnSuccess);
  EXPECT_NE(smart->SMARTEnableDisableOperations(false), os::kIOReturnSuccess);  // never switched off
  os::ATASMARTData data{};
  ASSERT_EQ(smart->SMARTReadData(&data), os::kIOReturnSuccess);
  EXPECT_EQ(text(dataBlock()), std::string(std::begin(data.bytes), std::end(data.bytes)));
  bool exceeded = true;
  EXPECT_EQ(smart->SMARTReturnStatus(&exceeded), os::kIOReturnSuccess);
  EXPECT_FALSE(exceeded);
  std::uint8_t identify[600] = {};
  std::uint32_t size = 0;
  EXPECT_EQ(smart->GetATAIdentifyData(identify, sizeof identify, &size), os::kIOReturnSuccess);
  EXPECT_EQ(size, 512u);
  // A plug-in not given back shows in the report until it is.
  EXPECT_EQ(machine->heldReferenceCount(), held + 2);
  EXPECT_NE(machine->heldReferenceReport().find("sda: S.M.A.R.T. plug-in, 2 reference(s)"), std::string::npos);
  close(*machine, smart);
  EXPECT_EQ(machine->heldReferenceCount(), held);

  EXPECT_EQ(open(*machine, services[1]), nullptr);
  for (os::io_service_t service : services) machine->objectRelease(service);
  EXPECT_EQ(machine->heldReferenceCount(), 0u) << machine->heldReferenceReport();
}

TEST_F(LiveDisks, ShortLyingOrRefusedAnswersCostTheSensorOrTheOneCall) {
  std::string aborted = returnSense(0x0B, 0, 0, 0x51);
  Block checksum = identifyBlock();
  checksum[100] ^= 0xFF;
  enum Call { None, Enable, Data, Thresholds, Status };
  const struct {
    const char* what;
    std::string file;
    std::string contents;
    bool capable;
    Call failing;
    bool exceeded = false;
  } cases[] = {
      {"IDENTIFY cut short", "identify.data", text(identifyBlock()).substr(0, 100), false, None},
      {"IDENTIFY longer than a block", "identify.data", text(identifyBlock()) + "x", false, None},
      {"IDENTIFY with a wrong checksum", "identify.data", text(checksum), false, None},
      {"IDENTIFY without the feature set", "identify.data", text(identifyBlock(0x0000)), false, None},
      {"IDENTIFY with a blank feature word", "identify.data", text(identifyBlock(0xFFFF)), false, None},
      {"IDENTIFY of a packet device", "identify.data", text(identifyBlock(1, 1, 0x8580)), false, None},
      {"IDENTIFY aborted", "identify.sense", aborted, false, None},
      {"feature set switched off", "identify.data", text(identifyBlock(1, 0)), true, Enable},
      {"data block cut short", "smart-read-data.data", text(dataBlock()).substr(0, 300), true, Data},
      {"data block aborted", "smart-read-data.sense", aborted, true, Data},
      {"thresholds sense longer than asked for", "smart-read-thresholds.sense", std::string(40, 'r'), true, Thresholds},
      {"status registers cut off", "smart-return-status.sense", returnSense(0x01, 0x4F, 0xC2).substr(0, 12), true, Status},
      {"status not a number", "smart-return-status.status", "two\n", true, Status},
      {"status registers of neither kind", "smart-return-status.sense", returnSense(0x01, 0x12, 0x34), true, Status},
      {"threshold exceeded: the complemented key", "smart-return-status.sense", returnSense(0x01, 0xF4, 0x2C), true, None, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(tree_.path() / "recorded-ata");
    writeDisk("sda", true);
    if (c.file.ends_with(".sense") && c.file != "smart-return-status.sense") {
      const std::string command = c.file.substr(0, c.file.size() - 6);
      std::filesystem::remove(tree_.path() / "recorded-ata/sda" / (command + ".data"));
      answer("sda", command + ".status", "2\n");
    }
    answer("sda", c.file, c.contents);
    auto machine = liveMachineOf(tree_.path());
    ASSERT_TRUE(machine);
    const std::vector<os::io_service_t> services = disks(*machine);
    ASSERT_EQ(services.size(), 1u);
    EXPECT_EQ(machine->registryEntryCreateProperty(services[0], "SMART Capable")->asBoolean(), c.capable);
    os::IOATASMARTInterface* smart = open(*machine, services[0]);
    EXPECT_EQ(smart != nullptr, c.capable);
    if (smart != nullptr) {
      os::ATASMARTData data{};
      os::ATASMARTDataThresholds thresholds{};
      bool exceeded = !c.exceeded;
      EXPECT_EQ(smart->SMARTEnableDisableOperations(true) == os::kIOReturnSuccess, c.failing != Enable);
      EXPECT_EQ(smart->SMARTReadData(&data) == os::kIOReturnSuccess, c.failing != Data);
      EXPECT_EQ(smart->SMARTReadDataThresholds(&thresholds) == os::kIOReturnSuccess, c.failing != Thresholds);
      EXPECT_EQ(smart->SMARTReturnStatus(&exceeded) == os::kIOReturnSuccess, c.failing != Status);
      if (c.failing != Status) {
        EXPECT_EQ(exceeded, c.exceeded);
      }
      close(*machine, smart);
    }
    machine->objectRelease(services[0]);
    EXPECT_EQ(machine->heldReferenceCount(), 0u) << machine->heldReferenceReport();
  }
}

TEST(SGIODevices, OnlyDeviceNodesThatTakeSCSICommandsAreOpened) {
  // Run against the kernel: devices without SG_IO are refused by their own answer.
  os::testing::TemporaryDirectory devices;
  devices.write("sda", "not a device\n");
  std::error_code error;
  std::filesystem::create_symlink("/dev/null", devices.path() / "sdb", error);
  // A block device of a driver that takes no SCSI commands, where the system has one.
  if (std::filesystem::exists("/dev/loop0", error)) std::filesystem::create_symlink("/dev/loop0", devices.path() / "sdc", error);
  SGIODeviceOpener opener(devices.path());
  for (const char* name : {"sda", "sdb", "sdc", "../sda", "", ".."}) EXPECT_EQ(opener.open(name), nullptr) << name;
}

}  // namespace
}  // namespace sw::live
