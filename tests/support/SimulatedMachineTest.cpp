// The simulated-machine test fixture.
#include "support/SimulatedMachineTest.h"

#include "foundation/ProcessState.h"
#include "os/Machine.h"

namespace sw::test {

void SimulatedMachineTest::SetUp() { install(ProfileBuilder()); }

void SimulatedMachineTest::TearDown() {
  sw::resetProcessState();
  expectCleanKernel();
  expectDeclaredLog();
}

void SimulatedMachineTest::expectLogMessage(std::string text) {
  expectedLog_.push_back({"\"" + text + "\"", std::move(text), std::nullopt});
}

void SimulatedMachineTest::expectLogMessageMatching(const std::string& pattern) {
  expectedLog_.push_back({"a message matching /" + pattern + "/", "", std::regex(pattern)});
}

void SimulatedMachineTest::expectDeclaredLog() {
  std::vector<bool> seen(expectedLog_.size(), false);
  for (const std::string& message : log_.messages()) {
    std::string_view text = message;
    if (text.ends_with('\n')) text.remove_suffix(1);
    bool expected = false;
    for (std::size_t i = 0; i < expectedLog_.size(); ++i) {
      const LogExpectation& expectation = expectedLog_[i];
      const bool matches = expectation.pattern ? std::regex_search(text.begin(), text.end(), *expectation.pattern)
                                               : text == expectation.text;
      if (matches) seen[i] = expected = true;
    }
    if (!expected) ADD_FAILURE() << "unexpected system log message: \"" << text << "\"";
  }
  for (std::size_t i = 0; i < expectedLog_.size(); ++i) {
    if (!seen[i]) ADD_FAILURE() << "expected system log message not logged: " << expectedLog_[i].description;
  }
}

void SimulatedMachineTest::expectCleanKernel() {
  if (machine_ == nullptr) return;
  EXPECT_EQ(machine_->heldReferenceCount(), 0u) << "kernel references still held:\n" << machine_->heldReferenceReport();
  for (const std::string& misuse : machine_->takeHandleMisuse()) ADD_FAILURE() << "handle misuse: " << misuse;
}

sim::SimulatedMachine& SimulatedMachineTest::install(const ProfileBuilder& profile) {
  std::shared_ptr<sim::SimulatedMachine> machine = profile.buildMachine();  // a refusal fails the test
  return use(machine != nullptr ? machine : ProfileBuilder().buildMachine());
}

sim::SimulatedMachine& SimulatedMachineTest::installBuiltIn(const std::string& name) {
  sim::SimulatedMachine::LoadResult result = sim::SimulatedMachine::loadBuiltIn(name);
  auto* machine = std::get_if<std::shared_ptr<sim::SimulatedMachine>>(&result);
  if (machine == nullptr) ADD_FAILURE() << "built-in profile refused: " << std::get<std::string>(result);
  return use(machine != nullptr ? *machine : ProfileBuilder().buildMachine());
}

sim::SimulatedMachine& SimulatedMachineTest::use(std::shared_ptr<sim::SimulatedMachine> machine) {
  // Whatever the previous machine's users still hold goes back to it before it is replaced.
  sw::resetProcessState();
  expectCleanKernel();
  machine_ = std::move(machine);
  os::setCurrentMachine(machine_);
  return *machine_;
}

}  // namespace sw::test
