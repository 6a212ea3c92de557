// Gathering the machine's facts from sysctl, host queries, the version file and the registry,
// with every documented fallback.
#include "system/TKSMachineInfo.h"

#include <gtest/gtest.h>

#include "foundation/ProcessState.h"
#include "os/Machine.h"
#include "support/SimulatedMachineTest.h"

namespace sw {
namespace {

using test::ProfileBuilder;

Data bytes(std::initializer_list<std::uint8_t> list) { return Data(list); }
Value text(const char* zeroTerminated) {
  const std::string_view view(zeroTerminated);
  Data data(view.begin(), view.end());
  data.push_back(0);
  return Value(data);
}

class MachineInfoGathering : public test::SimulatedMachineTest {
 protected:
  TKSMachineInfo::Facts gather(const ProfileBuilder& profile) {
    install(profile);
    return TKSMachineInfo().facts();
  }

  /// Gathers on a machine whose platform expert has no serial number, which the builder always
  /// gives it; the machine's kernel references are checked here since the fixture does not know it.
  std::string serialWithoutPlatformSerial(const ProfileBuilder& profile) {
    Value built = profile.build();
    Value& expert = (*built.asDictionary()->at("IORegistry").asDictionary()->at("IORegistryEntryChildren").asArray())[0];
    expert.asDictionary()->erase("IOPlatformSerialNumber");
    auto loaded = sim::SimulatedMachine::load(built, "profile without serial");
    auto* machine = std::get_if<std::shared_ptr<sim::SimulatedMachine>>(&loaded);
    if (!machine) {
      ADD_FAILURE() << std::get<std::string>(loaded);
      return {};
    }
    resetProcessState();
    os::setCurrentMachine(*machine);
    const std::string serial = TKSMachineInfo().machineSerialNumber();
    EXPECT_EQ((*machine)->heldReferenceCount(), 0u) << (*machine)->heldReferenceReport();
    install(ProfileBuilder());
    return serial;
  }
};

TEST_F(MachineInfoGathering, DescribesEveryFactInItsPlace) {
  ProfileBuilder profile;
  profile.model("MacBookPro5,5")
      .sysctl("hw.ncpu", 4)
      .sysctl("hw.availcpu", 3)
      .sysctl("hw.physicalcpu", 2)
      .hostInfo(7, 4)
      .sysctl("hw.cpufrequency", 2260000000)
      .sysctl("hw.cpufrequency_min", 1600000000)
      .sysctl("hw.cpufrequency_max", 2260000001)
      .sysctl("hw.busfrequency", 1066000000)
      .sysctl("hw.busfrequency_min", 1066000001)
      .sysctl("hw.busfrequency_max", 1066000002)
      .sysctl("hw.l1icachesize", 32768)
      .sysctl("hw.l1dcachesize", 32769)
      .sysctl("hw.l2cachesize", 3145728)
      .sysctl("hw.l3cachesize", 0)
      .sysctl("hw.vectorunit", 1)
      .sysctl("hw.memsize", 8589934592)
      .sysctl("hw.cpu64bit_capable", 1)
      .sysctl("kern.version", "Darwin Kernel Version 10.8.0: Tue Jun  7 16:33:36 PDT 2011; "
                              "root:xnu-1504.15.3~1/RELEASE_I386")
      .file("/System/Library/CoreServices/SystemVersion.plist",
            Value(Dictionary{{"ProductName", Value("Mac OS X")},
                             {"ProductVersion", Value("10.6.8")},
                             {"ProductBuildVersion", Value("10K549")}}))
      .hostUUID("00112233-4455-6677-8899-aabbccddeeff")
      .computerName("Studio")
      .entry("IOPlatformDevice", {{"device_type", text("cpu")},
                                  {"cpu-version", Value(bytes({0x7a, 0x06, 0x01, 0x00}))},
                                  {"clock-frequency", Value(bytes({0x80, 0x35, 0xb5, 0x86}))}})
      .entry("IOPMrootDomain", {{"Supported Features", Value(Dictionary{{"Reduce Processor Speed", Value::integer(1)}})}})
      .deviceTreeEntry("/rom/boot-rom", {{"model", text("MBP55.00AC.B03")}});
  install(profile);
  const auto info = TKSMachineInfo::sharedMachineInfo();
  EXPECT_EQ(info->description(),
            "MacBookPro5,5, S/N W80000000000 UUID: 00112233-4455-6677-8899-AABBCCDDEEFF, named 'Studio': 4 CPUs, "
            "2 physical, 3 active, type 7:4, frequency 2260000000 Hz (min 1600000000 Hz, max 2260000001 Hz, nom "
            "2260022656 Hz) variable: 1, FSB frequency 1066000000 Hz (min 1066000001 Hz, max 1066000002 Hz), L1 "
            "instruction cache 32768 bytes, L1 data cache 32769 bytes, L2 cache 3145728 bytes, L3 cache 0 bytes, "
            "vector unit support YES, 64 bit support YES, 64 bit kernel NO, memory size 8589934592 bytes, operating "
            "system Version 10.6.8 (Build 10K549) build 10K549 OS code 1068, Darwin Kernel Version 10.8.0: Tue Jun  "
            "7 16:33:36 PDT 2011; root:xnu-1504.15.3~1/RELEASE_I386, boot ROM version MBP55.00AC.B03");
  EXPECT_EQ(info->cpuVersionCode(), 0x1067a);
  EXPECT_EQ(info->readableKernelVersionNumber(), "10.8.0");
  EXPECT_EQ(info->readableOperatingSystemNumber(), "10.6.8");
  std::uint32_t data = 0, instructions = 0;
  info->getL1CacheSizeDataInstructions(&data, &instructions);
  EXPECT_EQ(data, 32769u) << "data cache comes first";
  EXPECT_EQ(instructions, 32768u);
  EXPECT_EQ(TKSMachineInfo::sharedMachineInfo(), info) << "one shared instance per process";
}

TEST_F(MachineInfoGathering, MissingSourcesLeaveTheirDocumentedDefaults) {
  ProfileBuilder profile;
  profile.removeSysctl("hw.physicalcpu").sysctl("hw.ncpu", 8).computerName("").removeFile(
      "/System/Library/CoreServices/SystemVersion.plist");
  const auto facts = gather(profile);
  EXPECT_EQ(facts.numberOfPhysicalCPUs, 8u) << "the CPU count stands in for a missing physical count";
  EXPECT_EQ(facts.computerName, "Macintosh");
  EXPECT_EQ(facts.machineUUID, "") << "a system without gethostuuid has no UUID";
  EXPECT_EQ(facts.osVersionCode, 0x1000);
  EXPECT_EQ(facts.osVersionNumber, "");
  EXPECT_EQ(facts.osReadableBuild, "");
  EXPECT_EQ(facts.cpuFreqNom, 0u);
  EXPECT_EQ(facts.bootROMVersion, "");
  EXPECT_EQ(facts.cpuSpeedFeature, 0);
  EXPECT_FALSE(facts.is64BitCapable);
  EXPECT_EQ(facts.osKernelVersion, "");
  EXPECT_EQ(facts.osKernelVersionNumber, "");
}

TEST_F(MachineInfoGathering, AVersionFileWithoutVersionNumberKeepsTheFallbackCode) {
  ProfileBuilder profile;
  profile.file("/System/Library/CoreServices/SystemVersion.plist",
               Value(Dictionary{{"ProductName", Value("Mac OS X Server")}, {"ProductBuildVersion", Value("9L30")}}));
  const auto facts = gather(profile);
  EXPECT_EQ(facts.osVersionCode, 0x1000);
  EXPECT_EQ(facts.osReadableBuild, "9L30");
}

TEST_F(MachineInfoGathering, AStringTooLongForItsBufferLeavesTheFieldEmpty) {
  const auto facts = gather(ProfileBuilder().sysctl("kern.version", std::string(2000, 'x')));
  EXPECT_EQ(facts.osKernelVersion, "");
}

struct ProcessorNodes {
  const char* fault;
  std::vector<Dictionary> nodes;
  std::int32_t cpuVersion;
  std::uint64_t nominalFrequency;
};

class ProcessorNodeData : public test::SimulatedMachineTest, public ::testing::WithParamInterface<ProcessorNodes> {};

TEST_P(ProcessorNodeData, ComesFromTheFirstProcessorNodeOnly) {
  ProfileBuilder profile;
  profile.sysctl("hw.cpufrequency", 2000000000);
  for (const Dictionary& node : GetParam().nodes) profile.entry("IOPlatformDevice", node);
  install(profile);
  const TKSMachineInfo info;
  EXPECT_EQ(info.cpuVersionCode(), GetParam().cpuVersion) << GetParam().fault;
  EXPECT_EQ(info.nominalCPUFrequency(), GetParam().nominalFrequency) << GetParam().fault;
}

const Value k4Bytes = Value(bytes({0x00, 0x94, 0x35, 0x77}));  // 2000000000
const Value k8Bytes = Value(bytes({0x00, 0xe4, 0x0b, 0x54, 0x02, 0x00, 0x00, 0x00}));  // 10000000000

INSTANTIATE_TEST_SUITE_P(
    Nodes, ProcessorNodeData,
    ::testing::Values(
        ProcessorNodes{"no node: the current frequency", {}, 0, 2000000000},
        ProcessorNodes{"the maximum clock wins over the clock",
                       {{{"device_type", text("cpu")}, {"max-clock-frequency", k8Bytes}, {"clock-frequency", k4Bytes}}},
                       0, 10000000000},
        ProcessorNodes{"a frequency shorter than four bytes is no frequency",
                       {{{"device_type", text("cpu")}, {"clock-frequency", Value(bytes({1, 2}))}}}, 0, 2000000000},
        ProcessorNodes{"six bytes are read as their first four",
                       {{{"device_type", text("processor")},
                         {"clock-frequency", Value(bytes({0x00, 0x94, 0x35, 0x77, 0xff, 0xff}))}}},
                       0, 2000000000},
        ProcessorNodes{"other nodes are skipped",
                       {{{"device_type", text("memory")}, {"clock-frequency", k8Bytes}},
                        {{"device_type", text("processor")}, {"clock-frequency", k8Bytes}}},
                       0, 10000000000},
        ProcessorNodes{"the walk ends at the first cpu node even without a frequency",
                       {{{"device_type", text("cpu")}, {"cpu-version", Value(bytes({1, 0, 0, 0}))}},
                        {{"device_type", text("cpu")}, {"clock-frequency", k8Bytes}}},
                       1, 2000000000}));

struct SpeedFeatures {
  Dictionary supportedFeatures;
  std::int32_t feature;
};

class SpeedFeature : public test::SimulatedMachineTest, public ::testing::WithParamInterface<SpeedFeatures> {};

TEST_P(SpeedFeature, DynamicPowerSteppingOutranksAReducibleSpeed) {
  install(ProfileBuilder().entry("IOPMrootDomain").entry(
      "IOPMrootDomain", {{"Supported Features", Value(GetParam().supportedFeatures)}}));
  EXPECT_EQ(TKSMachineInfo().cpuFrequencyVariabilityFeature(), GetParam().feature);
}

INSTANTIATE_TEST_SUITE_P(
    Features, SpeedFeature,
    ::testing::Values(SpeedFeatures{{{"Dynamic Power Step", Value::integer(1)},
                                     {"Reduce Processor Speed", Value::integer(1)}},
                                    2},
                      SpeedFeatures{{{"Reduce Processor Speed", Value::integer(0)}}, 1},
                      SpeedFeatures{{{"Wake on LAN", Value::integer(1)}}, 0}));

TEST_F(MachineInfoGathering, BootROMVersionFallsBackToTheROMNodeThenToNothing) {
  EXPECT_EQ(gather(ProfileBuilder().deviceTreeEntry("/rom/boot-rom", {{"model", text("IM131.010A.B05")}})).bootROMVersion,
            "IM131.010A.B05");
  EXPECT_EQ(gather(ProfileBuilder().deviceTreeEntry("/rom/boot-rom")).bootROMVersion, "");
  EXPECT_EQ(gather(ProfileBuilder().deviceTreeEntry(
                "/rom", {{"version", text("$0003.30f3")}, {"release-date", text("03/19/03")}}))
                .bootROMVersion,
            "$0003.30f3 (03/19/03)");
  EXPECT_EQ(gather(ProfileBuilder().deviceTreeEntry("/rom")).bootROMVersion, "(null) ((null))");
  EXPECT_EQ(gather(ProfileBuilder()).bootROMVersion, "");
}

TEST_F(MachineInfoGathering, ThePlatformSerialNumberComesFirst) {
  const auto facts = gather(ProfileBuilder()
                                .entry("IOEthernetController", {{"IOMACAddress", Value(bytes({0, 0x1b, 0x63, 1, 2, 3}))}})
                                .child("IONetworkInterface", {{"IOPrimaryInterface", Value::boolean(true)}}));
  EXPECT_EQ(facts.machineSerialNumber, "W80000000000");
}

struct SerialFallback {
  const char* fault;
  std::vector<std::pair<Data, bool>> interfaces;  // the controller's MAC address, whether primary
  const char* serial;
};

class SerialNumberFallback : public MachineInfoGathering, public ::testing::WithParamInterface<SerialFallback> {};

TEST_P(SerialNumberFallback, UsesOnlyTheFirstPrimaryInterfaceWithASixByteAddress) {
  ProfileBuilder profile;
  for (const auto& [address, primary] : GetParam().interfaces) {
    profile.entry("IOEthernetController", {{"IOMACAddress", Value(address)}})
        .child("IONetworkInterface", {{"IOPrimaryInterface", Value::boolean(primary)}});
  }
  EXPECT_EQ(serialWithoutPlatformSerial(profile), GetParam().serial) << GetParam().fault;
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, SerialNumberFallback,
    ::testing::Values(
        SerialFallback{"the primary interface's address", {{bytes({0x00, 0x1b, 0x63, 0xa1, 0xb2, 0xc3}), true}},
                       "ZZZNOSERIAL-001b63a1b2c3"},
        SerialFallback{"a secondary interface is passed over",
                       {{bytes({1, 1, 1, 1, 1, 1}), false}, {bytes({0, 0x1b, 0x63, 0xa1, 0xb2, 0xc3}), true}},
                       "ZZZNOSERIAL-001b63a1b2c3"},
        SerialFallback{"a short address of the first primary interface ends the search",
                       {{bytes({1, 2, 3, 4, 5}), true}, {bytes({0, 0x1b, 0x63, 0xa1, 0xb2, 0xc3}), true}},
                       "ZZZNOSERIAL"},
        SerialFallback{"no interface at all", {}, "ZZZNOSERIAL"}));

}  // namespace
}  // namespace sw
