// sysctl, host_info and the other host queries of the simulated Mac: sizes, buffer rules and
// the facts they report.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "os/Host.h"
#include "support/SimulatedMachineTest.h"

namespace sw::sim {
namespace {

using test::ProfileBuilder;

class Sysctl : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder()
                .model("MacBookPro5,5")
                .sysctl("hw.memsize", 4294967296)
                .sysctl("hw.l2cachesize", 3145728)
                .sysctl("hw.cpufrequency", 2260000000)
                .sysctl("machdep.cpu.feature_bits", 3219913727)
                .sysctl("kern.version", "Darwin Kernel Version 10.8.0")
                .process(1, "launchd", 0)
                .process(143, "DashboardClient", 501));
  }
  struct Answer {
    int result;
    int error;
    std::size_t length;
  };
  Answer byName(const char* name, void* buffer, std::size_t length) {
    errno = 0;
    int result = os::sysctlbyname(name, buffer, &length, nullptr, 0);
    return {result, errno, length};
  }
};

TEST_F(Sysctl, IntegersAnswerInTheirKernelWidth) {
  std::uint64_t wide = 0;
  EXPECT_EQ(byName("hw.memsize", &wide, 8).length, 8u);
  EXPECT_EQ(wide, 4294967296u);
  std::int32_t count = 0;
  Answer ncpu = byName("hw.ncpu", &count, sizeof count);
  EXPECT_EQ(ncpu.result, 0);
  EXPECT_EQ(ncpu.length, 4u);
  EXPECT_EQ(count, 2);
}

TEST_F(Sysctl, AStringAnswersWithItsTerminatingZero) {
  char text[64];
  Answer model = byName("hw.model", text, sizeof text);
  EXPECT_EQ(model.length, 14u);
  EXPECT_STREQ(text, "MacBookPro5,5");
}

TEST_F(Sysctl, ANullBufferAsksForTheSizeOnly) {
  EXPECT_EQ(byName("hw.model", nullptr, 0).length, 14u);
  EXPECT_EQ(byName("hw.cpufrequency", nullptr, 0).length, 8u);
  EXPECT_EQ(byName("hw.ncpu", nullptr, 0).length, 4u);
}

TEST_F(Sysctl, AShortBufferGetsENOMEMAndTheNeededSizeAndStaysUntouched) {
  char text[5] = {'x', 'x', 'x', 'x', 'x'};
  Answer model = byName("hw.model", text, sizeof text);
  EXPECT_EQ(model.result, -1);
  EXPECT_EQ(model.error, ENOMEM);
  EXPECT_EQ(model.length, 14u);
  EXPECT_EQ(text[0], 'x');
  std::uint16_t small = 0;
  EXPECT_EQ(byName("hw.ncpu", &small, sizeof small).error, ENOMEM);
}

TEST_F(Sysctl, AGenericHardwareNumberAlsoFillsAFourByteBufferWhenItFits) {
  std::uint32_t cache = 0;
  Answer answer = byName("hw.l2cachesize", &cache, sizeof cache);
  EXPECT_EQ(answer.result, 0);
  EXPECT_EQ(answer.length, 4u);
  EXPECT_EQ(cache, 3145728u);
  std::uint32_t frequency = 0;
  Answer tooLarge = byName("hw.cpufrequency", &frequency, sizeof frequency);
  EXPECT_EQ(tooLarge.result, -1);
  EXPECT_EQ(tooLarge.error, ERANGE) << "2.26 GHz does not fit a signed 32-bit answer";
  std::uint32_t features = 0;
  EXPECT_EQ(byName("machdep.cpu.feature_bits", &features, sizeof features).error, ENOMEM)
      << "a plain 64-bit value takes no 4-byte buffer";
}

TEST_F(Sysctl, AnAbsentNameFailsWithENOENT) {
  std::int32_t value = 0;
  EXPECT_EQ(byName("hw.l3cachesize", &value, sizeof value).error, ENOENT);
  EXPECT_EQ(byName("", &value, sizeof value).error, ENOENT);
}

TEST_F(Sysctl, WritesAreRefused) {
  std::int32_t value = 4;
  std::size_t length = sizeof value;
  errno = 0;
  EXPECT_EQ(os::sysctlbyname("hw.ncpu", nullptr, &length, &value, sizeof value), -1);
  EXPECT_EQ(errno, EPERM);
}

TEST_F(Sysctl, NumericNamesAnswerLikeTheirDottedNames) {
  int memsize[] = {os::CTL_HW, os::HW_MEMSIZE};
  std::uint64_t memory = 0;
  std::size_t length = sizeof memory;
  EXPECT_EQ(os::sysctl(memsize, 2, &memory, &length, nullptr, 0), 0);
  EXPECT_EQ(memory, 4294967296u);
  int version[] = {os::CTL_KERN, os::KERN_VERSION};
  char text[64];
  length = sizeof text;
  EXPECT_EQ(os::sysctl(version, 2, text, &length, nullptr, 0), 0);
  EXPECT_STREQ(text, "Darwin Kernel Version 10.8.0");
  int l3[] = {os::CTL_HW, os::HW_L3CACHESIZE};
  errno = 0;
  EXPECT_EQ(os::sysctl(l3, 2, &memory, &length, nullptr, 0), -1);
  EXPECT_EQ(errno, ENOENT) << "a known number for a name the machine lacks";
  int unknown[] = {os::CTL_HW, 99};
  EXPECT_EQ(os::sysctl(unknown, 2, &memory, &length, nullptr, 0), -1);
  int tooShort[] = {os::CTL_HW};
  EXPECT_EQ(os::sysctl(tooShort, 1, &memory, &length, nullptr, 0), -1);
}

TEST_F(Sysctl, TheProcessTableIsOneRecordPerProcess) {
  int all[] = {os::CTL_KERN, os::KERN_PROC, os::KERN_PROC_ALL};
  std::size_t length = 0;
  ASSERT_EQ(os::sysctl(all, 3, nullptr, &length, nullptr, 0), 0);
  EXPECT_EQ(length, 2 * 492u);
  std::vector<std::uint8_t> records(length - 1);
  length = records.size();
  errno = 0;
  EXPECT_EQ(os::sysctl(all, 3, records.data(), &length, nullptr, 0), -1);
  EXPECT_EQ(errno, ENOMEM);
}

class HostFacts : public test::SimulatedMachineTest {};

TEST_F(HostFacts, HostInfoReportsTheProfilesProcessorAndCounts) {
  install(ProfileBuilder().hostInfo(7, 4).sysctl("hw.ncpu", 8).sysctl("hw.availcpu", 6).sysctl("hw.physicalcpu", 4)
              .sysctl("hw.memsize", 17179869184));
  os::integer_t words[os::HOST_BASIC_INFO_COUNT + 2] = {};
  os::mach_msg_type_number_t count = os::HOST_BASIC_INFO_COUNT + 2;
  ASSERT_EQ(os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, words, &count), os::KERN_SUCCESS);
  EXPECT_EQ(count, os::HOST_BASIC_INFO_COUNT);
  os::host_basic_info info;
  std::memcpy(&info, words, sizeof info);
  EXPECT_EQ(info.cpu_type, 7);
  EXPECT_EQ(info.cpu_subtype, 4);
  EXPECT_EQ(info.max_cpus, 8);
  EXPECT_EQ(info.avail_cpus, 6);
  EXPECT_EQ(info.physical_cpu, 4);
  EXPECT_EQ(info.logical_cpu, 6);
  EXPECT_EQ(info.memory_size, 0x80000000u) << "the 32-bit field stops at 2 GB";
  EXPECT_EQ(info.max_mem, 17179869184u);
}

TEST_F(HostFacts, HostInfoRefusesAShortCountAndOtherFlavors) {
  os::integer_t words[os::HOST_BASIC_INFO_COUNT] = {};
  os::mach_msg_type_number_t count = os::HOST_BASIC_INFO_COUNT - 1;
  EXPECT_EQ(os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, words, &count), os::KERN_INVALID_ARGUMENT);
  count = os::HOST_BASIC_INFO_COUNT;
  EXPECT_EQ(os::host_info(os::mach_host_self(), 3, words, &count), os::KERN_INVALID_ARGUMENT);
}

TEST_F(HostFacts, GethostuuidExistsOnlyWhereTheProfileGivesAUUID) {
  EXPECT_EQ(os::lookupGethostuuid(), nullptr);
  install(ProfileBuilder().hostUUID("00000000-0000-1000-8000-0023DF8C1A42"));
  os::GethostuuidFunction gethostuuid = os::lookupGethostuuid();
  ASSERT_NE(gethostuuid, nullptr);
  std::uint8_t uuid[16] = {};
  timespec wait{1, 0};
  EXPECT_EQ(gethostuuid(uuid, &wait), 0);
  EXPECT_EQ(uuid[6], 0x10);
  EXPECT_EQ(uuid[15], 0x42);
}

TEST_F(HostFacts, TheComputerNameIsAbsentUnlessGiven) {
  EXPECT_FALSE(os::CSCopyMachineName().has_value());
  install(ProfileBuilder().computerName("Büro-Mac"));
  EXPECT_EQ(os::CSCopyMachineName(), "Büro-Mac");
}

TEST_F(HostFacts, TheStandardDefaultsAreTheProfiles) {
  EXPECT_TRUE(machine().standardUserDefaults().empty());
  install(ProfileBuilder().defaults("DebugSMARTAccess", Value::boolean(true)));
  EXPECT_EQ(machine().standardUserDefaults(), (Dictionary{{"DebugSMARTAccess", Value::boolean(true)}}));
}

TEST_F(HostFacts, FilesAreTextBytesOrPropertyLists) {
  install(ProfileBuilder()
              .file("/etc/hwmond.SMART", Value("enabled\n"))
              .file("/var/raw", Value(Data{0, 1, 2}))
              .file("/Library/list.plist", Value(Array{Value::integer(1), Value("two")})));
  EXPECT_EQ(os::readFile("/etc/hwmond.SMART"), (Data{'e', 'n', 'a', 'b', 'l', 'e', 'd', '\n'}));
  EXPECT_EQ(os::readFile("/var/raw"), (Data{0, 1, 2}));
  EXPECT_EQ(os::readPropertyListFile("/Library/list.plist"), Value(Array{Value::integer(1), Value("two")}));
  EXPECT_EQ(*os::readPropertyListFile("/System/Library/CoreServices/SystemVersion.plist")->find("ProductVersion"),
            Value("10.5.8"));
  EXPECT_FALSE(os::readFile("/etc/absent").has_value());
  EXPECT_FALSE(os::readPropertyListFile("/etc/hwmond.SMART").has_value()) << "a text file is no property list";
}

}  // namespace
}  // namespace sw::sim
