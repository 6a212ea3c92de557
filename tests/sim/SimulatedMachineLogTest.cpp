// The simulated-machine fixture's check of the system log: a test fails on a message it did not
// declare and on a declared message that never came.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "os/SystemLog.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

/// The fixture run by hand, so its verdict can be collected instead of failing this test.
class FixtureUnderTest : public SimulatedMachineTest {
 public:
  using SimulatedMachineTest::expectLogMessage;
  using SimulatedMachineTest::expectLogMessageMatching;
  using SimulatedMachineTest::SetUp;
  using SimulatedMachineTest::TearDown;
  void TestBody() override {}
};

TEST(SimulatedMachineLog, UndeclaredAndMissingMessagesFailTheTestAndDeclaredOnesDoNot) {
  struct Case {
    const char* what;
    std::vector<std::string> logged;
    std::vector<std::string> exact;
    std::vector<std::string> patterns;
    std::vector<std::string> failures;  // a text each failure must contain, in order
  };
  const Case cases[] = {
      {"nothing logged, nothing declared", {}, {}, {}, {}},
      {"declared without its line feed, logged twice", {"disk gone\n", "disk gone\n"}, {"disk gone"}, {}, {}},
      {"a message without a line feed", {"plain"}, {"plain"}, {}, {}},
      {"a pattern for several messages", {"core 1!\n", "core 12!\n"}, {}, {R"(core \d+!$)"}, {}},
      {"undeclared", {"surprise\n"}, {}, {}, {"unexpected system log message: \"surprise\""}},
      {"exact text is not a prefix", {"disk gone twice\n"}, {"disk gone"}, {}, {"unexpected", "not logged: \"disk gone\""}},
      {"declared but missing", {}, {}, {"core"}, {"not logged: a message matching /core/"}},
  };
  for (const Case& c : cases) {
    ::testing::TestPartResultArray results;
    {
      ::testing::ScopedFakeTestPartResultReporter reporter(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                                                           &results);
      FixtureUnderTest fixture;
      fixture.SetUp();
      for (const std::string& text : c.exact) fixture.expectLogMessage(text);
      for (const std::string& pattern : c.patterns) fixture.expectLogMessageMatching(pattern);
      for (const std::string& message : c.logged) os::systemLog(message);
      fixture.TearDown();
    }
    ASSERT_EQ(std::size_t(results.size()), c.failures.size()) << c.what;
    for (std::size_t i = 0; i < c.failures.size(); ++i) {
      EXPECT_NE(std::string(results.GetTestPartResult(int(i)).message()).find(c.failures[i]), std::string::npos)
          << c.what << ": " << results.GetTestPartResult(int(i)).message();
    }
  }
}

// Fixtures that keep their own capture as a member check those messages themselves.
TEST(SimulatedMachineLog, AFixturesOwnCaptureKeepsItsMessagesFromTheCheck) {
  struct FixtureWithOwnLog : FixtureUnderTest {
    os::CapturedLog own;
  };
  ::testing::TestPartResultArray results;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                                                         &results);
    FixtureWithOwnLog fixture;
    fixture.SetUp();
    os::systemLog("checked by the test itself\n");
    EXPECT_EQ(fixture.own.messages().size(), 1u);
    fixture.TearDown();
  }
  EXPECT_EQ(results.size(), 0);
}

}  // namespace
}  // namespace sw::test
