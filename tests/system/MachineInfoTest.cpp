// The machine's facts: version numbers read from texts, gathering from sysctl, host queries, the
// version file and the registry with every documented fallback, and both archive forms.
#include "system/TKSMachineInfo.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "foundation/SequentialCoder.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "os/IOKit.h"
#include "support/SimulatedMachineTest.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace sw {
namespace {

using test::ProfileBuilder;

Value bytes(std::initializer_list<std::uint8_t> list) { return Value(Data(list)); }
Value text(std::string_view zeroTerminated) {
  Data data(zeroTerminated.begin(), zeroTerminated.end());
  data.push_back(0);
  return Value(data);
}
/// A registry node of a device type with one more property.
Dictionary node(const char* type, const char* key, Value value) {
  return {{"device_type", text(type)}, {key, std::move(value)}};
}

TEST(VersionTexts, TheCodePacksMajorAsTwoDigitsAddsTheRestUnlimitedAndSaturatesAndTheKernelNumberIsFound) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"10.6.8", 0x1068}, {"10.4.11", 0x104B}, {"10", 0x1000}, {"10.7.5 (beta)", 0x1075}, {"Mac OS X", 0x1000},
      {"10.10.1", 0x10A1},  // a minor number above 9 spills into the major digits, as the packing always did
      {"99999999999.99999999999.99999999999", std::numeric_limits<std::int32_t>::max()}};
  for (const auto& [version, code] : cases) {
    EXPECT_EQ(NSProcessInfoTKSAdditions::versionCodeForVersionNumber(version), code) << version;
  }
  // The kernel's number runs from the first digit after a prefix up to the colon.
  const std::pair<const char*, const char*> kernelCases[] = {
      {"Darwin Kernel Version 10.8.0", "10.8.0"}, {"  \tDarwin 11.4.2:x", "11.4.2"},
      {"9.8.0: starts with its number", ""}, {"   9.8.0: after blanks", ""}, {"no digits at all", ""}};
  for (const auto& [kernel, number] : kernelCases) EXPECT_EQ(TKSMachineInfo::kernelVersionNumber(kernel), number) << kernel;
}

class MachineInfoGathering : public test::SimulatedMachineTest {
 protected:
  TKSMachineInfo::Facts gather(const ProfileBuilder& profile) {
    install(profile);
    return TKSMachineInfo().facts();
  }
};

TEST_F(MachineInfoGathering, DescribesEveryFactInItsPlace) {
  ProfileBuilder profile;
  for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::int64_t>>{
           {"hw.ncpu", 4}, {"hw.availcpu", 3}, {"hw.physicalcpu", 2}, {"hw.cpufrequency", 2260000000},
           {"hw.cpufrequency_min", 1600000000}, {"hw.cpufrequency_max", 2260000001}, {"hw.busfrequency", 1066000000},
           {"hw.busfrequency_min", 1066000001}, {"hw.busfrequency_max", 1066000002}, {"hw.l1icachesize", 32768},
           {"hw.l1dcachesize", 32769}, {"hw.l2cachesize", 3145728}, {"hw.l3cachesize", 0}, {"hw.vectorunit", 1},
           {"hw.memsize", 8589934592}, {"hw.cpu64bit_capable", 1}}) {
    profile.sysctl(name, value);
  }
  profile.model("MacBookPro5,5")
      .sysctl("kern.version", "Darwin Kernel Version 10.8.0: Tue Jun  7 16:33:36 PDT 2011; root:xnu-1504.15.3~1")
      .hostUUID("00112233-4455-6677-8899-aabbccddeeff")
      .computerName("Studio")
      .entry("IOPlatformDevice", {{"device_type", text("cpu")},
                                  {"cpu-version", bytes({0x7a, 0x06, 0x01, 0x00})},
                                  {"clock-frequency", bytes({0x80, 0x35, 0xb5, 0x86})}})
      // The first power domain with features counts, and power stepping outranks a reducible speed.
      .entry("IOPMrootDomain")
      .entry("IOPMrootDomain", {{"Supported Features", Value(Dictionary{{"Reduce Processor Speed", Value::integer(1)},
                                                                        {"Dynamic Power Step", Value::integer(1)}})}})
      .deviceTreeEntry("/rom/boot-rom", {{"model", text("MBP55.00AC.B03")}});
  install(profile);
  const auto info = TKSMachineInfo::sharedMachineInfo();
  EXPECT_EQ(info->description(),
            "MacBookPro5,5, S/N W80000000000 UUID: 00112233-4455-6677-8899-AABBCCDDEEFF, named 'Studio': 4 CPUs, "
            "2 physical, 3 active, type 7:4, frequency 2260000000 Hz (min 1600000000 Hz, max 2260000001 Hz, nom "
            "2260022656 Hz) variable: 2, FSB frequency 1066000000 Hz (min 1066000001 Hz, max 1066000002 Hz), L1 "
            "instruction cache 32768 bytes, L1 data cache 32769 bytes, L2 cache 3145728 bytes, L3 cache 0 bytes, "
            "vector unit support YES, 64 bit support YES, 64 bit kernel NO, memory size 8589934592 bytes, operating "
            "system Version 10.5.8 (Build 9L31a) build 9L31a OS code 1058, Darwin Kernel Version 10.8.0: Tue Jun  "
            "7 16:33:36 PDT 2011; root:xnu-1504.15.3~1, boot ROM version MBP55.00AC.B03");
  std::uint32_t data = 0, instructions = 0;
  info->getL1CacheSizeDataInstructions(&data, &instructions);
  EXPECT_EQ(data, 32769u) << "data cache comes first";
}

TEST_F(MachineInfoGathering, MissingOrOversizedSourcesLeaveTheirDocumentedDefaults) {
  const auto facts = gather(ProfileBuilder()
                                .removeSysctl("hw.physicalcpu")
                                .sysctl("hw.ncpu", 8)
                                .sysctl("kern.version", std::string(2000, 'x'))
                                .computerName("")
                                .removeFile("/System/Library/CoreServices/SystemVersion.plist"));
  EXPECT_EQ(facts.numberOfPhysicalCPUs, 8u) << "the CPU count stands in for a missing physical count";
  EXPECT_EQ(facts.computerName, "Macintosh");
  EXPECT_EQ(facts.machineUUID, "") << "a system without gethostuuid has no UUID";
  EXPECT_EQ(facts.osVersionCode, 0x1000);
  EXPECT_EQ(facts.osKernelVersion, "") << "a text too long for its buffer";
  EXPECT_EQ(facts.cpuSpeedFeature, 0);
  EXPECT_FALSE(facts.is64BitCapable);
}

TEST_F(MachineInfoGathering, ProcessorDataComesFromTheFirstProcessorNodeOnly) {
  const Value k4Bytes = bytes({0x00, 0x94, 0x35, 0x77});                          // 2000000000
  const Value k8Bytes = bytes({0x00, 0xe4, 0x0b, 0x54, 0x02, 0x00, 0x00, 0x00});  // 10000000000
  // The fault, the nodes, the processor version and the nominal frequency.
  const std::tuple<const char*, std::vector<Dictionary>, std::int32_t, std::uint64_t> cases[] = {
      {"no node: the current frequency", {}, 0, 2000000000},
      {"the maximum clock wins over the clock",
       {{{"device_type", text("cpu")}, {"max-clock-frequency", k8Bytes}, {"clock-frequency", k4Bytes}}},
       0, 10000000000},
      {"fewer than four bytes are no frequency", {node("cpu", "clock-frequency", bytes({1, 2}))}, 0, 2000000000},
      {"six bytes are read as their first four",
       {node("processor", "clock-frequency", bytes({0x00, 0x94, 0x35, 0x77, 0xff, 0xff}))}, 0, 2000000000},
      {"other nodes are skipped, and the walk ends at the first cpu node even without a frequency",
       {node("memory", "clock-frequency", k8Bytes), node("cpu", "cpu-version", bytes({1, 0, 0, 0})),
        node("cpu", "clock-frequency", k8Bytes)},
       1, 2000000000}};
  for (const auto& [fault, nodes, cpuVersion, nominalFrequency] : cases) {
    ProfileBuilder profile;
    profile.sysctl("hw.cpufrequency", 2000000000);
    for (const Dictionary& entry : nodes) profile.entry("IOPlatformDevice", entry);
    const auto facts = gather(profile);
    EXPECT_EQ(facts.cpuVersion, cpuVersion) << fault;
    EXPECT_EQ(facts.cpuFreqNom, nominalFrequency) << fault;
  }
}

TEST_F(MachineInfoGathering, BootROMVersionFallsBackToTheROMNodeThenToNothing) {
  const std::pair<ProfileBuilder, const char*> cases[] = {
      {ProfileBuilder().deviceTreeEntry("/rom/boot-rom", {{"model", text("IM131.010A.B05")}}), "IM131.010A.B05"},
      {ProfileBuilder().deviceTreeEntry("/rom/boot-rom"), ""},
      {ProfileBuilder().deviceTreeEntry("/rom", {{"version", text("$0003.30f3")}, {"release-date", text("03/19/03")}}),
       "$0003.30f3 (03/19/03)"},
      {ProfileBuilder().deviceTreeEntry("/rom"), "(null) ((null))"}};
  for (const auto& [profile, version] : cases) EXPECT_EQ(gather(profile).bootROMVersion, version);
}

TEST_F(MachineInfoGathering, WithoutAPlatformSerialTheFirstPrimaryInterfaceWithASixByteAddressNamesTheMachine) {
  const Value address = bytes({0x00, 0x1b, 0x63, 0xa1, 0xb2, 0xc3});
  // The fault, each interface's controller address and whether it is primary, and the serial number.
  const std::tuple<const char*, std::vector<std::pair<Value, bool>>, const char*> cases[] = {
      {"a secondary interface is passed over", {{bytes({1, 1, 1, 1, 1, 1}), false}, {address, true}},
       "ZZZNOSERIAL-001b63a1b2c3"},
      {"a short address of the first primary interface ends the search",
       {{bytes({1, 2, 3, 4, 5}), true}, {address, true}}, "ZZZNOSERIAL"},
      {"no interface at all", {}, "ZZZNOSERIAL"}};
  for (const auto& [fault, interfaces, serial] : cases) {
    ProfileBuilder profile;
    for (const auto& [mac, primary] : interfaces) {
      profile.entry("IOEthernetController", {{"IOMACAddress", mac}})
          .child("IONetworkInterface", {{"IOPrimaryInterface", Value::boolean(primary)}});
    }
    EXPECT_EQ(gather(profile).machineSerialNumber, "W80000000000") << "the platform's own serial comes first";
    const auto expert = TKSIORegistryEntry::serviceObjectsMatchingName("IOPlatformExpertDevice")->at(0);
    os::IORegistryEntrySetCFProperty(expert->ioKitHandle(), "IOPlatformSerialNumber", Value::boolean(false));
    EXPECT_EQ(TKSMachineInfo().machineSerialNumber(), serial) << fault;
  }
}

class MachineInfoArchive : public test::SimulatedMachineTest {
 protected:
  /// A real machine's facts, with the widest values in some fields so a narrowed field shows.
  void SetUp() override {
    SimulatedMachineTest::SetUp();
    installBuiltIn("MacBookPro5,5");
    facts_ = TKSMachineInfo().facts();
    facts_.numberOfPhysicalCPUs = std::numeric_limits<std::uint32_t>::max();
    facts_.cpuSubType = -4;
    facts_.cpuFreqMax = std::numeric_limits<std::uint64_t>::max();
    facts_.computerName = "Küche";
  }
  TKSMachineInfo::Facts facts_;
};

TEST_F(MachineInfoArchive, SequentialFormRoundTripsAndRefusesACutAnywhere) {
  SequentialEncoder encoder;
  TKSMachineInfo(facts_).encodeWithCoder(encoder);
  SequentialDecoder whole(encoder.data());
  const auto decoded = TKSMachineInfo::createWithCoder(whole);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->facts(), facts_);
  const Data& data = encoder.data();
  for (std::size_t length = 0; length < data.size(); length += 7) {
    SequentialDecoder cut(Data(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(TKSMachineInfo::createWithCoder(cut), nullptr) << "cut at " << length;
  }
}

TEST_F(MachineInfoArchive, KeyedFormRoundTripsAndRefusesMissingOrMistypedKeysInsteadOfGuessing) {
  const Dictionary archive = TKSMachineInfo(facts_).encodeWithKeyedCoder();
  EXPECT_EQ(archive.size(), 33u);
  EXPECT_EQ(archive.at("OSVersionCode"), Value::integer(0x1068));
  EXPECT_EQ(archive.at("VectorUnit"), Value::boolean(true));
  const auto decoded = TKSMachineInfo::createWithKeyedCoder(archive);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->facts(), facts_);

  const std::pair<const char*, std::optional<Value>> faults[] = {  // nothing: the key is removed
      {"NumberOfCPUs", std::nullopt},          {"L2CacheSize", Value("3 MB")},           {"CPUType", Value::real(7.5)},
      {"NumberOfCPUs", Value::integer(1LL << 32)}, {"L1DataCacheSize", Value::integer(-1)},
      {"VectorUnit", Value::integer(1)},       {"MachineSerialNumber", Value(Data{1, 2})}};
  for (const auto& [key, replacement] : faults) {
    Dictionary broken = archive;
    broken.erase(key);
    if (replacement) broken.emplace(key, *replacement);
    EXPECT_EQ(TKSMachineInfo::createWithKeyedCoder(broken), nullptr) << key;
  }
}

}  // namespace
}  // namespace sw
