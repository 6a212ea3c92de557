// sysctl and host_info of the simulated Mac: sizes, buffer rules and the facts they report. The
// machine's files are read through the version file of the machine-information tests.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "os/Host.h"
#include "support/SimulatedMachineTest.h"

namespace sw::sim {
namespace {

using test::ProfileBuilder;

class HostQueries : public test::SimulatedMachineTest {
 protected:
  void SetUp() override {
    install(ProfileBuilder()
                .model("MacBookPro5,5")
                .sysctl("hw.memsize", 4294967296)
                .sysctl("hw.l2cachesize", 3145728)
                .sysctl("hw.cpufrequency", 2260000000)
                .sysctl("machdep.cpu.feature_bits", 3219913727)
                .sysctl("kern.version", "Darwin Kernel Version 10.8.0"));
  }
  /// Asks for a name with a buffer of this size (0: no buffer); the bytes land in buffer_.
  std::tuple<int, int, std::size_t> byName(const char* name, std::size_t size) {
    buffer_.fill(0x78);
    errno = 0;
    int result = os::sysctlbyname(name, size == 0 ? nullptr : buffer_.data(), &size, nullptr, 0);
    return {result, errno, size};
  }
  std::array<std::uint8_t, 64> buffer_;
};

TEST_F(HostQueries, AnswersBySizeOfBufferNameAndKind) {
  using Answer = std::tuple<int, int, std::size_t>;  // result, errno, length
  const std::tuple<const char*, std::size_t, Answer> kCases[] = {
      {"hw.memsize", 8, {0, 0, 8}},
      {"hw.model", 64, {0, 0, 14}},  // a string with its terminating zero
      {"hw.model", 0, {0, 0, 14}},   // no buffer: the size only
      {"hw.model", 5, {-1, ENOMEM, 14}},  // a short buffer: the needed size
      {"hw.l2cachesize", 4, {0, 0, 4}},  // a generic hardware number fills four bytes when it fits
      {"hw.cpufrequency", 4, {-1, ERANGE, 4}},  // 2.26 GHz does not fit a signed 32-bit answer
      {"machdep.cpu.feature_bits", 4, {-1, ENOMEM, 8}},  // a plain 64-bit value takes no 4-byte buffer
      {"hw.l3cachesize", 4, {-1, ENOENT, 4}},
  };
  for (const auto& [name, size, answer] : kCases) {
    EXPECT_EQ(byName(name, size), answer) << name << " into " << size << " bytes";
    if (std::get<0>(answer) != 0) {
      EXPECT_EQ(buffer_[0], 0x78) << name << ": a refused answer leaves the buffer untouched";
    }
  }
}

TEST_F(HostQueries, NumericNamesAnswerLikeTheirDottedNamesAndWritesAreRefused) {
  auto numeric = [&](std::vector<int> name, std::size_t size) {
    buffer_.fill(0);
    errno = 0;
    int result = os::sysctl(name.data(), unsigned(name.size()), buffer_.data(), &size, nullptr, 0);
    return std::pair{result, errno};
  };
  EXPECT_EQ(numeric({os::CTL_HW, os::HW_MEMSIZE}, 8), std::pair(0, 0));
  std::uint64_t memsize = 0;
  std::memcpy(&memsize, buffer_.data(), sizeof memsize);
  EXPECT_EQ(memsize, 4294967296u);
  EXPECT_EQ(numeric({os::CTL_KERN, os::KERN_VERSION}, 64), std::pair(0, 0));
  EXPECT_STREQ(reinterpret_cast<const char*>(buffer_.data()), "Darwin Kernel Version 10.8.0");
  EXPECT_EQ(numeric({os::CTL_HW, os::HW_L3CACHESIZE}, 8), std::pair(-1, ENOENT)) << "a known number the machine lacks";
  EXPECT_EQ(numeric({os::CTL_HW, 99}, 8).first, -1);
  EXPECT_EQ(numeric({os::CTL_HW}, 8).first, -1);
  std::int32_t value = 4;
  std::size_t valueLength = sizeof value;
  errno = 0;
  EXPECT_EQ(os::sysctlbyname("hw.ncpu", nullptr, &valueLength, &value, sizeof value), -1);
  EXPECT_EQ(errno, EPERM);
}

TEST_F(HostQueries, HostInfoReportsTheProfilesProcessorAndCountsAndRefusesAShortCountOrOtherFlavors) {
  install(ProfileBuilder().hostInfo(7, 4).sysctl("hw.ncpu", 8).sysctl("hw.availcpu", 6).sysctl("hw.physicalcpu", 4)
              .sysctl("hw.memsize", 17179869184));
  os::integer_t words[os::HOST_BASIC_INFO_COUNT + 2] = {};
  os::mach_msg_type_number_t count = os::HOST_BASIC_INFO_COUNT + 2;
  ASSERT_EQ(os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, words, &count), os::KERN_SUCCESS);
  EXPECT_EQ(count, os::HOST_BASIC_INFO_COUNT);
  os::host_basic_info info;
  std::memcpy(&info, words, sizeof info);
  EXPECT_EQ(std::tuple(info.cpu_type, info.cpu_subtype, info.max_cpus, info.avail_cpus, info.physical_cpu, info.logical_cpu),
            std::tuple(7, 4, 8, 6, 4, 6));
  EXPECT_EQ(info.memory_size, 0x80000000u) << "the 32-bit field stops at 2 GB";
  EXPECT_EQ(info.max_mem, 17179869184u);

  count = os::HOST_BASIC_INFO_COUNT - 1;
  EXPECT_EQ(os::host_info(os::mach_host_self(), os::HOST_BASIC_INFO, words, &count), os::KERN_INVALID_ARGUMENT);
  count = os::HOST_BASIC_INFO_COUNT;
  EXPECT_EQ(os::host_info(os::mach_host_self(), 3, words, &count), os::KERN_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace sw::sim
