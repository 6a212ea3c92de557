// The life of widget instances in the host: creation, release and the one lock into the plug-in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "host/WidgetInstanceTable.h"

namespace sw::host {
namespace {

using namespace std::chrono_literals;

// Stands in for a controller: counts how many are alive, and how many calls run at once.
struct FakeController {
  explicit FakeController(std::atomic<int>& alive) : alive(alive) { ++alive; }
  ~FakeController() { --alive; }
  std::atomic<int>& alive;
};

class WidgetInstanceTableTest : public ::testing::Test {
 protected:
  WidgetInstanceTable::Factory factory() {
    return [this]() -> WidgetInstanceTable::ScriptCall {
      auto controller = std::make_shared<FakeController>(alive_);
      return [this, controller](std::string_view name, const nlohmann::json&) {
        int running = ++callsRunning_;
        maxCallsRunning_ = std::max(maxCallsRunning_.load(), running);
        std::this_thread::sleep_for(50us);
        --callsRunning_;
        return nlohmann::json{{"result", std::string(name)}};
      };
    };
  }
  WidgetInstanceTable::Clock clock() {
    return [this] { return now_; };
  }

  std::atomic<int> alive_{0};
  std::atomic<int> callsRunning_{0};
  std::atomic<int> maxCallsRunning_{0};
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(WidgetInstanceTableTest, OpeningTwiceKeepsTheOneController) {
  WidgetInstanceTable table(factory(), {});
  EXPECT_EQ(table.open("a"), WidgetInstanceTable::OpenResult::created);
  EXPECT_EQ(table.open("a"), WidgetInstanceTable::OpenResult::existing);
  EXPECT_EQ(alive_, 1);
  EXPECT_EQ(table.call("a", "numberOfAvailableSensors", nlohmann::json::array()),
            (nlohmann::json{{"result", "numberOfAvailableSensors"}}));
}

TEST_F(WidgetInstanceTableTest, ClosingReleasesTheControllerAndLaterCallsFindNothing) {
  WidgetInstanceTable table(factory(), {});
  table.open("a");
  table.open("b");
  EXPECT_TRUE(table.close("a"));
  EXPECT_EQ(alive_, 1);
  EXPECT_FALSE(table.call("a", "numberOfAvailableSensors", nlohmann::json::array()).has_value());
  EXPECT_FALSE(table.close("a"));
  EXPECT_FALSE(table.call("never-opened", "numberOfAvailableSensors", nlohmann::json::array()).has_value());
}

TEST_F(WidgetInstanceTableTest, AnInstanceLeftIdleIsReleasedButOneInUseStays) {
  WidgetInstanceTable table(factory(), {.maxInstances = 10, .idleTimeout = 60s}, clock());
  table.open("forgotten");
  table.open("polling");
  for (int tick = 0; tick < 40; ++tick) {
    now_ += 2s;
    ASSERT_TRUE(table.call("polling", "localizedReadingAtDisplayIndex", nlohmann::json::array({0})).has_value());
  }
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(alive_, 1);
  EXPECT_FALSE(table.call("forgotten", "numberOfAvailableSensors", nlohmann::json::array()).has_value());
}

TEST_F(WidgetInstanceTableTest, AFullTableRefusesNewInstancesUntilOneCloses) {
  WidgetInstanceTable table(factory(), {.maxInstances = 2, .idleTimeout = 60s});
  table.open("a");
  table.open("b");
  EXPECT_EQ(table.open("c"), WidgetInstanceTable::OpenResult::tableFull);
  EXPECT_EQ(table.open("a"), WidgetInstanceTable::OpenResult::existing);
  table.close("b");
  EXPECT_EQ(table.open("c"), WidgetInstanceTable::OpenResult::created);
}

TEST_F(WidgetInstanceTableTest, AControllerThatCannotBeCreatedLeavesNoInstance) {
  WidgetInstanceTable table([] { return WidgetInstanceTable::ScriptCall{}; }, {});
  EXPECT_EQ(table.open("a"), WidgetInstanceTable::OpenResult::creationFailed);
  EXPECT_EQ(table.size(), 0u);
}

TEST_F(WidgetInstanceTableTest, CallsFromManyThreadsNeverOverlapInThePlugIn) {
  WidgetInstanceTable table(factory(), {});
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&table, t] {
      std::string identifier = "instance-" + std::to_string(t % 3);
      for (int i = 0; i < 200; ++i) {
        table.open(identifier);
        table.call(identifier, "localizedReadingAtDisplayIndex", nlohmann::json::array({0}));
        if (i % 50 == 0) table.close(identifier);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(maxCallsRunning_, 1);
}

TEST_F(WidgetInstanceTableTest, DestroyingTheTableReleasesEveryController) {
  {
    WidgetInstanceTable table(factory(), {});
    table.open("a");
    table.open("b");
  }
  EXPECT_EQ(alive_, 0);
}

}  // namespace
}  // namespace sw::host
