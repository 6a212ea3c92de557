// Lookups in the kernel's process table: the 16-character command rule, identifiers and users,
// and a table that changes or arrives damaged between the size request and the fetch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "foundation/ProcessState.h"
#include "os/Host.h"
#include "support/ProfileBuilder.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace sw {
namespace {

using Processes = NSProcessInfoTKSAdditions;
using Identifiers = std::optional<std::vector<std::int32_t>>;
const Identifiers kNone = std::vector<std::int32_t>{};
constexpr std::size_t kRecordSize = 492;
constexpr std::size_t kCommandOffset = 163;

/// A simulated machine whose answer to the process-table request a test can bend.
class TamperingMachine : public sim::SimulatedMachine {
 public:
  using SimulatedMachine::SimulatedMachine;
  /// Sees the request's buffer (null when only the size is asked for) and length after the kernel answered.
  std::function<void(std::uint8_t* table, std::size_t* length)> tamper;

  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override {
    const int result = SimulatedMachine::sysctl(name, nameLength, oldValue, oldLength, newValue, newLength);
    constexpr int kAllProcesses[] = {os::CTL_KERN, os::KERN_PROC, os::KERN_PROC_ALL};
    if (result == 0 && tamper && nameLength == 3 && std::equal(name, name + 3, kAllProcesses)) {
      tamper(static_cast<std::uint8_t*>(oldValue), oldLength);
    }
    return result;
  }
};

class ProcessLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ProfileBuilder profile;
    for (const auto& [pid, command, user] : std::initializer_list<std::tuple<std::int32_t, const char*, std::uint32_t>>{
             {0, "kernel_task", 0}, {1, "launchd", 0}, {88, "loginwindow", 501}, {152, "DashboardClient", 501},
             {153, "DashboardClient", 502}, {160, "SixteenCharsLong", 501}}) {
      profile.process(pid, command, user);
    }
    machine_ = std::make_shared<TamperingMachine>(sim::MachineProfile::read(profile.build()));
    resetProcessState();
    os::setCurrentMachine(machine_);
  }
  void TearDown() override { resetProcessState(); }
  static Identifiers named(const std::string& name) { return Processes::identifiersForRunningProcessesNamed(name); }
  std::shared_ptr<TamperingMachine> machine_;
};

TEST_F(ProcessLookup, MatchesNamesByTheSixteenCharacterCommandRuleAndIdentifiersToTheirNameAndUser) {
  EXPECT_EQ(named("DashboardClient"), (Identifiers{{152, 153}})) << "every process, in table order";
  EXPECT_EQ(named("SixteenCharsLong"), (Identifiers{{160}}));
  EXPECT_EQ(named("SixteenCharsLongAndMore"), (Identifiers{{160}})) << "a full command matches longer names";
  EXPECT_EQ(named("SixteenChars"), kNone);
  EXPECT_EQ(named("loginwindowX"), kNone);
  EXPECT_EQ(named("kernel_task"), kNone) << "the kernel's own task is no process to report";
  EXPECT_EQ(named(""), std::nullopt);
  EXPECT_FALSE(Processes::isProcessRunningWithName(""));
  // An identifier gives its name and user; an unknown one leaves the user untouched.
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(4242, &user), std::nullopt);
  EXPECT_EQ(user, 7u);
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(153, &user), "DashboardClient");
  EXPECT_EQ(user, 502u);
}

TEST_F(ProcessLookup, ATableThatGrewAfterTheSizeRequestGivesNoAnswerAndOnlyWholeRecordsWithinTheBufferAreRead) {
  machine_->tamper = [](std::uint8_t* table, std::size_t* length) {
    if (table == nullptr) *length -= kRecordSize;  // one more process started between the requests
  };
  EXPECT_EQ(named("launchd"), std::nullopt);
  std::uint32_t user = 7;
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(1, &user), std::nullopt);
  EXPECT_EQ(user, 7u);

  // The last record arrives cut short, or the kernel claims ten records more than the buffer held.
  for (const auto& [change, lastRecord] :
       {std::pair{std::size_t{0} - 100, kNone}, {10 * kRecordSize, Identifiers{{160}}}}) {
    machine_->tamper = [change](std::uint8_t* table, std::size_t* length) {
      if (table != nullptr) *length += change;
    };
    EXPECT_EQ(named("DashboardClient"), (Identifiers{{152, 153}}));
    EXPECT_EQ(named("SixteenCharsLong"), lastRecord) << change;
  }
}

TEST_F(ProcessLookup, ACommandWithoutTerminatorIsReadToItsEndAndOneThatIsNoTextHasNoName) {
  machine_->tamper = [](std::uint8_t* table, std::size_t* length) {
    if (table == nullptr) return;
    // The last record's name, its terminator and what follows; and launchd's name.
    std::fill_n(table + *length - kRecordSize + kCommandOffset, 37, 'Q');
    table[kRecordSize + kCommandOffset] = 0xff;
  };
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(160, nullptr), std::string(17, 'Q'));
  EXPECT_EQ(named(std::string(16, 'Q')), (Identifiers{{160}}));
  EXPECT_EQ(Processes::processNameForProcessIDGetEffectiveUserID(1, nullptr), std::nullopt);
}

}  // namespace
}  // namespace sw
