// The fixture of every test that runs against a simulated Mac: each test starts on a fresh
// process state and a fresh machine, and fails if it leaves kernel references held or releases a
// handle twice, or if the system log got a message the test did not declare (or missed one it
// did).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "os/SystemLog.h"
#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

class SimulatedMachineTest : public ::testing::Test {
 protected:
  /// Resets the process state and installs the small machine of a default ProfileBuilder.
  void SetUp() override;
  /// Resets the process state (shared instances give back their handles), then checks that the
  /// machine holds no references and saw no double release.
  void TearDown() override;

  /// Resets the process state and makes this profile's machine the current one.
  sim::SimulatedMachine& install(const ProfileBuilder& profile);
  /// The same for a built-in profile ("MacBookPro5,5").
  sim::SimulatedMachine& installBuiltIn(const std::string& name);
  sim::SimulatedMachine& machine() { return *machine_; }

  /// Declares a message the test expects in the system log, its text without the final line
  /// feed. Each declared message must be logged at least once; it may be logged more often.
  void expectLogMessage(std::string text);
  /// The same for every message in which the pattern (ECMAScript) is found. A test's own
  /// CapturedLog takes the messages while it lives; those are the test's to check.
  void expectLogMessageMatching(const std::string& pattern);

 private:
  struct LogExpectation {
    std::string description;
    std::string text;
    std::optional<std::regex> pattern;
  };

  sim::SimulatedMachine& use(std::shared_ptr<sim::SimulatedMachine> machine);
  void expectCleanKernel();
  void expectDeclaredLog();

  // Made before any capture of a derived fixture, so those stay the innermost.
  os::CapturedLog log_;
  std::vector<LogExpectation> expectedLog_;
  std::shared_ptr<sim::SimulatedMachine> machine_;
};

}  // namespace sw::test
