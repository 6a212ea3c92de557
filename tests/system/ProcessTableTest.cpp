// Lookups in the kernel's process table: the 16-character command rule, identifiers and users,
// and a table that changes or arrives damaged between the size request and the fetch.
#include <gtest/gtest.h>

#include <cerrno>

#include "InterceptingMachine.h"
#include "foundation/ProcessState.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace sw {
namespace {

using test::InterceptingMachine;
using test::ProfileBuilder;
using Processes = NSProcessInfoTKSAdditions;
using Identifiers = std::optional<std::vector<std::int32_t>>;

constexpr std::size_t kRecordSize = 492;

ProfileBuilder runningMachine() {
  return std::move(ProfileBuilder()
                       .process(0, "kernel_task", 0)
                       .process(1, "launchd", 0)
                       .process(88, "loginwindow", 501)
                       .process(152, "DashboardClient", 501)
                       .process(153, "DashboardClient", 502)
                       .process(160, "SixteenCharsLong", 501));
}

class ProcessLookup : public ::testing::Test {
 protected:
  void SetUp() override { machine_ = InterceptingMachine::install(runningMachine()); }
  void TearDown() override { resetProcessState(); }
  std::shared_ptr<InterceptingMachine> machine_;
};

TEST_F(ProcessLookup, FindsEveryProcessOfANameInTableOrder) {
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("DashboardClient"), (Identifiers{{152, 153}}));
  EXPECT_TRUE(Processes::isProcessRunningWithName("launchd"));
}

TEST_F(ProcessLookup, ANameOfNoProcessGivesAnEmptyListButAnEmptyNameNoList) {
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("Finder"), Identifiers{std::vector<std::int32_t>{}});
  EXPECT_FALSE(Processes::isProcessRunningWithName("Finder"));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed(""), std::nullopt);
  EXPECT_FALSE(Processes::isProcessRunningWithName(""));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("kernel_task"), Identifiers{std::vector<std::int32_t>{}})
      << "the kernel's own task is no process to report";
}

TEST_F(ProcessLookup, ASixteenCharacterCommandMatchesEveryNameThatBeginsWithIt) {
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("SixteenCharsLong"), (Identifiers{{160}}));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("SixteenCharsLongAndMore"), (Identifiers{{160}}));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("SixteenChars"), Identifiers{std::vector<std::int32_t>{}});
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("loginwindowX"), Identifiers{std::vector<std::int32_t>{}});
}

TEST_F(ProcessLookup, AnIdentifierGivesItsNameAndEffectiveUser) {
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(153, &user), "DashboardClient");
  EXPECT_EQ(user, 502u);
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(0, nullptr), "kernel_task");
}

TEST_F(ProcessLookup, AnUnknownIdentifierLeavesTheUserUntouched) {
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(4242, &user), std::nullopt);
  EXPECT_EQ(user, 7u);
}

TEST_F(ProcessLookup, ATableThatGrewAfterTheSizeRequestGivesNoAnswer) {
  machine_->processTableHook = [](void* value, std::size_t* length, const auto& kernel) {
    const int result = kernel(value, length);
    // One more process started between the two requests.
    if (value == nullptr && result == 0) *length -= kRecordSize;
    return result;
  };
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("launchd"), std::nullopt);
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(1, &user), std::nullopt);
  EXPECT_EQ(user, 7u);
}

TEST_F(ProcessLookup, ATrailingPartialRecordIsIgnored) {
  machine_->processTableHook = [](void* value, std::size_t* length, const auto& kernel) {
    const int result = kernel(value, length);
    if (value != nullptr && result == 0) *length -= 100;  // the last record arrives cut short
    return result;
  };
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("DashboardClient"), (Identifiers{{152, 153}}));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("SixteenCharsLong"), Identifiers{std::vector<std::int32_t>{}});
}

TEST_F(ProcessLookup, AKernelClaimingMoreThanTheBufferHeldIsReadOnlyWithinTheBuffer) {
  machine_->processTableHook = [](void* value, std::size_t* length, const auto& kernel) {
    const int result = kernel(value, length);
    if (value != nullptr && result == 0) *length += 10 * kRecordSize;
    return result;
  };
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed("SixteenCharsLong"), (Identifiers{{160}}));
}

TEST_F(ProcessLookup, ACommandFieldWithoutTerminatorIsReadOnlyToItsEnd) {
  machine_->processTableHook = [](void* value, std::size_t* length, const auto& kernel) {
    const int result = kernel(value, length);
    if (value != nullptr && result == 0) {
      // Fill the last record's name and its terminator byte, and what follows, with letters.
      auto* last = static_cast<std::uint8_t*>(value) + *length - kRecordSize;
      std::fill(last + 163, last + 200, 'Q');
    }
    return result;
  };
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(160, nullptr), std::string(17, 'Q'));
  EXPECT_EQ(Processes::identifiersForRunningProcessesNamed(std::string(16, 'Q')), (Identifiers{{160}}));
}

TEST_F(ProcessLookup, ACommandThatIsNoTextHasNoName) {
  machine_->processTableHook = [](void* value, std::size_t* length, const auto& kernel) {
    const int result = kernel(value, length);
    if (value != nullptr && result == 0) static_cast<std::uint8_t*>(value)[kRecordSize + 163] = 0xff;
    return result;
  };
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(1, &user), std::nullopt);
  EXPECT_EQ(user, 7u);
}

}  // namespace
}  // namespace sw
