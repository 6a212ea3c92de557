// The simulated kernel's reference counts: what callers hold is counted and reported, stale
// handles are refused, and a double release is caught.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "os/IOKit.h"
#include "sim/KernelObjectTable.h"
#include "support/SimulatedMachineTest.h"

namespace sw::sim {
namespace {

using os::io_object_t;
using test::ProfileBuilder;

constexpr os::CFUUIDBytes kTestPlugInType = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr os::CFUUIDBytes kTestInterfaceID = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};

class TestInterface : public os::IUnknownInterface {
 public:
  virtual int answer() = 0;
};

/// A plug-in with one extra interface, to watch the counting of the mechanism itself.
class TestPlugIn : public PlugInObject {
 public:
  explicit TestPlugIn(bool* destroyed) : destroyed_(destroyed) {}
  ~TestPlugIn() override { *destroyed_ = true; }
  os::IOCFPlugInInterface* plugInInterface() override { return &plugIn_; }
  os::IUnknownInterface* interfaceFor(const os::CFUUIDBytes& id) override {
    if (id == kTestInterfaceID) return &test_;
    if (id == os::kIOCFPlugInInterfaceID) return &plugIn_;
    return nullptr;
  }

 private:
  struct Answering : PlugInInterfaceOf<TestInterface> {
    using PlugInInterfaceOf::PlugInInterfaceOf;
    int answer() override { return 42; }
  };
  bool* destroyed_;
  PlugInInterfaceOf<os::IOCFPlugInInterface> plugIn_{*this};
  Answering test_{*this};
};

class KernelReferences : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder()
                .entry("IOAHCIBlockStorageDevice", {{"@SMART", Value(Dictionary{})}})
                .entry("AppleSMC", {{"@SMCKeys", Value(Array{})}}));
    disk_ = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("IOBlockStorageDevice"));
    machine().registerPlugInFactory(kTestPlugInType, [this](const RegistryEntry& service, const os::CFUUIDBytes&) {
      return service.instructions.smart ? std::make_unique<TestPlugIn>(&destroyed_) : nullptr;
    });
  }
  void TearDown() override {
    if (disk_ != 0) os::IOObjectRelease(disk_);
    SimulatedMachineTest::TearDown();
  }
  os::kern_return_t createPlugIn(const os::CFUUIDBytes& type) {
    std::int32_t score = 0;
    return os::IOCreatePlugInInterfaceForService(disk_, type, os::kIOCFPlugInInterfaceID, &plugIn_, &score);
  }
  bool reportHolds(const std::string& line) {
    return machine().heldReferenceReport().find(line) != std::string::npos;
  }

  io_object_t disk_ = 0;
  os::IOCFPlugInInterface* plugIn_ = nullptr;
  bool destroyed_ = false;
};

TEST_F(KernelReferences, EveryHandleACallReturnsIsCountedUntilReleased) {
  EXPECT_EQ(machine().heldReferenceCount(), 1u);  // the disk of the fixture
  os::io_iterator_t iterator = 0;
  os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching("IOService"), &iterator);
  io_object_t first = os::IOIteratorNext(iterator);
  io_object_t root = os::IORegistryGetRootEntry(os::kIOMasterPortDefault);
  EXPECT_EQ(machine().heldReferenceCount(), 4u);
  EXPECT_TRUE(reportHolds("object IOService:/TestMachine1,1 (IOPlatformExpertDevice): 1 reference"))
      << machine().heldReferenceReport();
  for (io_object_t handle : {first, root, iterator}) EXPECT_EQ(os::IOObjectRelease(handle), os::kIOReturnSuccess);
  EXPECT_EQ(machine().heldReferenceCount(), 1u);
}

TEST_F(KernelReferences, AHandleLivesUntilItsLastReferenceIsNeverReusedAndADoubleReleaseIsReported) {
  EXPECT_EQ(os::IOObjectRetain(disk_), os::kIOReturnSuccess);
  EXPECT_EQ(os::IOObjectRelease(disk_), os::kIOReturnSuccess);
  EXPECT_EQ(os::IOObjectRelease(disk_), os::kIOReturnSuccess);
  io_object_t stale = disk_;
  disk_ = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("IOBlockStorageDevice"));
  EXPECT_NE(disk_, stale);
  std::string name;
  EXPECT_EQ(os::IORegistryEntryGetName(stale, &name), os::kIOReturnBadArgument);
  EXPECT_EQ(os::IOObjectRetain(stale), os::kIOReturnBadArgument);
  EXPECT_TRUE(machine().takeHandleMisuse().empty()) << "a stale handle is refused, not counted as a double release";

  EXPECT_EQ(os::IOObjectRelease(stale), os::kIOReturnBadArgument);
  ASSERT_EQ(createPlugIn(kTestPlugInType), os::kIOReturnSuccess);
  EXPECT_EQ(os::IODestroyPlugInInterface(plugIn_), os::kIOReturnSuccess);
  EXPECT_EQ(os::IODestroyPlugInInterface(plugIn_), os::kIOReturnBadArgument);
  EXPECT_EQ(machine().takeHandleMisuse(),
            (std::vector<std::string>{fmt::format("release of 0x{:x}, which holds no reference any more", stale),
                                      "release of handle 0"}));
}

TEST_F(KernelReferences, AConnectionIsHeldUntilClosedAndRefusesCallsAfterwards) {
  io_object_t smc = os::IOServiceGetMatchingService(os::kIOMasterPortDefault, os::IOServiceMatching("AppleSMC"));
  os::io_connect_t connection = 0;
  ASSERT_EQ(os::IOServiceOpen(smc, os::kMachTaskSelf, 0, &connection), os::kIOReturnSuccess);
  os::IOObjectRelease(smc);
  EXPECT_EQ(machine().heldReferenceCount(), 2u);
  EXPECT_EQ(os::IOServiceClose(connection), os::kIOReturnSuccess);
  EXPECT_EQ(machine().heldReferenceCount(), 1u);
  std::uint8_t record[80] = {};
  std::size_t size = sizeof record;
  EXPECT_EQ(os::IOConnectCallStructMethod(connection, 2, record, sizeof record, record, &size), os::kIOReturnNotOpen);
  EXPECT_EQ(os::IOServiceClose(disk_), os::kIOReturnBadArgument) << "a service is no connection";
}

TEST_F(KernelReferences, APlugInAndEachQueriedInterfaceAreHeldUntilReleased) {
  EXPECT_EQ(createPlugIn(kTestInterfaceID), os::kIOReturnUnsupported) << "no factory for the type";
  EXPECT_EQ(plugIn_, nullptr);
  ASSERT_EQ(createPlugIn(kTestPlugInType), os::kIOReturnSuccess);
  EXPECT_EQ(machine().heldReferenceCount(), 2u);
  EXPECT_TRUE(reportHolds("plug-in of IOService:/TestMachine1,1/IOAHCIBlockStorageDevice: 1 reference"))
      << machine().heldReferenceReport();
  void* queried = nullptr;
  ASSERT_EQ(plugIn_->QueryInterface(kTestInterfaceID, &queried), os::S_OK);
  auto* test = static_cast<TestInterface*>(queried);
  EXPECT_EQ(test->answer(), 42);
  EXPECT_EQ(machine().heldReferenceCount(), 3u);
  void* none = &queried;
  EXPECT_EQ(plugIn_->QueryInterface(os::kIOATASMARTInterfaceID, &none), os::E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(os::IODestroyPlugInInterface(plugIn_), os::kIOReturnSuccess);
  EXPECT_FALSE(destroyed_) << "the queried interface still holds the object";
  EXPECT_EQ(test->Release(), 0u);
  EXPECT_TRUE(destroyed_);
  EXPECT_EQ(machine().heldReferenceCount(), 1u);
}

}  // namespace
}  // namespace sw::sim
