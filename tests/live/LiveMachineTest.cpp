// The live machine in the process: its handles and connections counted like the kernel's, and
// the CPU monitor's block made from coretemp and remade on ForceUpdate.
#include <gtest/gtest.h>

#include "LiveTreeTest.h"
#include "cpu/CPUStatusBlock.h"
#include "foundation/ProcessState.h"
#include "live/LiveCPUMonitor.h"
#include "live/LiveMachine.h"
#include "os/Clock.h"
#include "os/IOKit.h"
#include "sim/SimulatedMachine.h"

namespace sw::live {
namespace {

using test::liveMachineOf;

void writeCoretemp(const os::testing::TemporaryDirectory& tree, std::vector<std::pair<std::string, std::string>> cores,
                   const std::string& critical = "100000") {
  tree.write("sys/class/hwmon/hwmon3/name", "coretemp\n");
  for (std::size_t index = 0; index < cores.size(); ++index) {
    const std::string sensor = "sys/class/hwmon/hwmon3/temp" + std::to_string(index + 2);
    tree.write(sensor + "_label", cores[index].first + "\n");
    tree.write(sensor + "_input", cores[index].second + "\n");
    if (!critical.empty()) tree.write(sensor + "_crit", critical + "\n");
  }
}

CPUStatusBlock blockOf(const Data& bytes) { return *CPUStatusBlock::fromValue(Value(bytes)); }

class LiveMachineTest : public ::testing::Test {
 protected:
  void SetUp() override { resetProcessState(); }
  void TearDown() override {
    resetProcessState();
    os::setClock({});
  }
  os::testing::TemporaryDirectory tree_;
};

TEST_F(LiveMachineTest, ControllerConnectionsAreCountedAndADoubleCloseIsReported) {
  test::writeAppleSMC(tree_, {{"REV ", "{rev", std::string("\x01\x68\x0f\x00\x00\x99", 6)}});
  auto machine = liveMachineOf(tree_.path());
  ASSERT_TRUE(machine);
  const os::io_service_t smc = machine->registryEntryFromPath("IOService:/");
  os::io_iterator_t found = 0;
  ASSERT_EQ(machine->getMatchingServices({{"IOProviderClass", Value("AppleSMC")}}, &found), os::kIOReturnSuccess);
  const os::io_service_t service = machine->iteratorNext(found);
  ASSERT_NE(service, 0u);
  EXPECT_EQ(*machine->registryEntryCreateProperty(service, "smc-version")->asString(), "1.68f99");
  os::io_connect_t connection = 0;
  ASSERT_EQ(machine->serviceOpen(service, os::kMachTaskSelf, 0, &connection), os::kIOReturnSuccess);
  const std::size_t held = machine->heldReferenceCount();
  EXPECT_EQ(machine->objectRetain(connection), os::kIOReturnSuccess);
  EXPECT_EQ(machine->heldReferenceCount(), held + 1);
  EXPECT_EQ(machine->objectRelease(connection), os::kIOReturnSuccess);
  EXPECT_EQ(machine->serviceClose(connection), os::kIOReturnSuccess);
  EXPECT_EQ(machine->serviceClose(connection), os::kIOReturnBadArgument);
  std::uint8_t record[80] = {};
  std::size_t size = sizeof record;
  EXPECT_EQ(machine->connectCallStructMethod(connection, 2, record, 80, record, &size), os::kIOReturnNotOpen);
  for (os::io_object_t object : {smc, service, found}) machine->objectRelease(object);
  EXPECT_EQ(machine->heldReferenceCount(), 0u) << machine->heldReferenceReport();
}

TEST_F(LiveMachineTest, WithoutTheDriverTheControllerHasNoServiceAndCannotBeOpened) {
  auto machine = liveMachineOf(tree_.path());
  ASSERT_TRUE(machine);
  os::io_iterator_t found = 0;
  ASSERT_EQ(machine->getMatchingServices({{"IOProviderClass", Value("AppleSMC")}}, &found), os::kIOReturnSuccess);
  EXPECT_EQ(machine->iteratorNext(found), 0u);
  machine->objectRelease(found);
  EXPECT_EQ(machine->heldReferenceCount(), 0u);
}

TEST_F(LiveMachineTest, CoreRecordsCountDegreesBelowTheCriticalTemperature) {
  writeCoretemp(tree_, {{"Package id 0", "60000"}, {"Core 1", "47500"}, {"Core 0", "52000"}, {"Core x", "1"}});
  tree_.write("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "2300000\n");
  tree_.write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "800000\n");
  LiveFiles files(tree_.path());
  const auto bytes = liveCPUStatusBlock(files, {6, 42}, 1000.0);
  ASSERT_TRUE(bytes);
  const CPUStatusBlock block = blockOf(*bytes);
  ASSERT_EQ(block.recordCount(), 2u);  // the cores only, by core number
  EXPECT_EQ(block.temperatureTarget(), 100);
  EXPECT_TRUE(block.hasFrequencyReadings());
  EXPECT_EQ(block.record(0)->thermalReading, 48);
  EXPECT_EQ(block.record(1)->thermalReading, 53);  // 52.5 below, rounded half away from zero
  EXPECT_EQ(block.record(0)->timeStamp, 1000u);
  EXPECT_EQ(block.record(0)->currentBusRatio(), 8);  // 800 MHz on the 100 MHz base clock
  EXPECT_EQ(block.record(0)->busFrequencyCode, 5u);
  EXPECT_EQ((block.platformWord() >> 8) & 0x1F, 23u);
}

TEST_F(LiveMachineTest, ACoreWithoutCriticalTemperatureHasNoReadingAndOldClocksUseTheirBus) {
  writeCoretemp(tree_, {{"Core 0", "50000"}}, "");
  tree_.write("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "2260000\n");
  tree_.write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "1600000\n");
  LiveFiles files(tree_.path());
  const CPUStatusBlock block = blockOf(*liveCPUStatusBlock(files, {6, 23}, 5.0));
  EXPECT_FALSE(block.temperatureTarget());
  EXPECT_EQ(block.record(0)->thermalReading, 0);
  EXPECT_EQ(block.record(0)->busFrequencyCode, 0u);  // 266.67 MHz: 2260 MHz is 8.5 times that
  EXPECT_EQ(block.record(0)->currentBusRatio(), 6);
  EXPECT_FALSE(block.record(0)->hasHalfRatio());
  // Numbers no sensor gives must not overflow the arithmetic: they read as no reading.
  writeCoretemp(tree_, {{"Core 0", "-9223372036854775808"}}, "9223372036854775807");
  const CPUStatusBlock broken = blockOf(*liveCPUStatusBlock(files, {6, 23}, 5.0));
  EXPECT_FALSE(broken.temperatureTarget());
  EXPECT_EQ(broken.record(0)->thermalReading, 0);
  os::testing::TemporaryDirectory empty;
  LiveFiles none(empty.path());
  EXPECT_FALSE(liveCPUStatusBlock(none, {6, 23}, 5.0));
}

TEST_F(LiveMachineTest, ForceUpdateRereadsTheCoresAndAnyOtherWriteChangesNothing) {
  writeCoretemp(tree_, {{"Core 0", "50000"}});
  double now = 100.0;
  os::setClock([&now] { return now; });
  auto machine = liveMachineOf(tree_.path());
  ASSERT_TRUE(machine);
  os::io_iterator_t found = 0;
  machine->getMatchingServices({{"IOProviderClass", Value(kCPUMonitorClass)}}, &found);
  const os::io_object_t driver = machine->iteratorNext(found);
  ASSERT_NE(driver, 0u);
  auto status = [&] { return blockOf(*machine->registryEntryCreateProperty(driver, "CPUStatus")->asData()); };
  EXPECT_EQ(status().record(0)->thermalReading, 50);
  tree_.write("sys/class/hwmon/hwmon3/temp2_input", "61000\n");
  now = 107.0;
  machine->registryEntrySetProperty(driver, "SomethingElse", Value::boolean(true));
  EXPECT_EQ(status().record(0)->thermalReading, 50);
  EXPECT_EQ(machine->registryEntrySetProperty(driver, "ForceUpdate", Value::boolean(false)), os::kIOReturnSuccess);
  EXPECT_EQ(status().record(0)->thermalReading, 39);
  EXPECT_EQ(status().record(0)->timeStamp, 107u);
  machine->objectRelease(driver);
  machine->objectRelease(found);
  EXPECT_EQ(machine->heldReferenceCount(), 0u);
}

}  // namespace
}  // namespace sw::live
