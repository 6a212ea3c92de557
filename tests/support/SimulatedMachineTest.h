// The fixture of every test that runs against a simulated Mac: each test starts on a fresh
// process state and a fresh machine, and fails if it leaves kernel references held or releases a
// handle twice.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

 private:
  sim::SimulatedMachine& use(std::shared_ptr<sim::SimulatedMachine> machine);
  void expectCleanKernel();

  std::shared_ptr<sim::SimulatedMachine> machine_;
};

}  // namespace sw::test
