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
using Open = WidgetInstanceTable::OpenResult;

// Stands in for the plug-in: counts the controllers alive and how many of its entries
// (creation, call, release) run at once.
class WidgetInstanceTableTest : public ::testing::Test {
 protected:
  void enterPlugIn() {
    int running = ++entriesRunning_;
    maxEntriesRunning_ = std::max(maxEntriesRunning_.load(), running);
    std::this_thread::sleep_for(50us);
    --entriesRunning_;
  }
  WidgetInstanceTable::Factory factory() {
    return [this]() -> WidgetInstanceTable::ScriptCall {
      enterPlugIn();
      ++alive_;
      std::shared_ptr<void> controller(nullptr, [this](std::nullptr_t) {  // released with the last copy of the call
        enterPlugIn();
        --alive_;
      });
      return [this, controller](std::string_view name, const nlohmann::json&) {
        enterPlugIn();
        return nlohmann::json{{"result", std::string(name)}};
      };
    };
  }

  std::atomic<int> alive_{0};
  std::atomic<int> entriesRunning_{0};
  std::atomic<int> maxEntriesRunning_{0};
  std::chrono::steady_clock::time_point now_{};
};

TEST_F(WidgetInstanceTableTest, EachInstanceHasOneControllerUntilClosedWithinTheLimits) {
  WidgetInstanceTable table(factory(), {.maxInstances = 2, .idleTimeout = 60s});
  EXPECT_EQ(table.open("a"), Open::created);
  EXPECT_EQ(table.open("a"), Open::existing);
  table.open("b");
  EXPECT_EQ(alive_, 2);
  EXPECT_EQ(table.open("c"), Open::tableFull);
  EXPECT_TRUE(table.call("a", "numberOfAvailableSensors", {}).has_value());
  EXPECT_TRUE(table.close("a"));
  EXPECT_EQ(alive_, 1);
  EXPECT_FALSE(table.call("a", "numberOfAvailableSensors", {}).has_value());
  EXPECT_FALSE(table.close("a"));
  EXPECT_EQ(table.open("c"), Open::created);

  WidgetInstanceTable failing([] { return WidgetInstanceTable::ScriptCall{}; }, {});
  EXPECT_EQ(failing.open("a"), Open::creationFailed);
  EXPECT_EQ(failing.size(), 0u) << "a controller that cannot be created leaves no instance";
}

TEST_F(WidgetInstanceTableTest, AnInstanceLeftIdleIsReleasedButOneInUseStays) {
  WidgetInstanceTable table(factory(), {.maxInstances = 10, .idleTimeout = 60s}, [this] { return now_; });
  table.open("forgotten");
  table.open("polling");
  for (int tick = 0; tick < 40; ++tick) {
    now_ += 2s;
    ASSERT_TRUE(table.call("polling", "localizedReadingAtDisplayIndex", {}).has_value());
  }
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(alive_, 1);
  EXPECT_FALSE(table.call("forgotten", "numberOfAvailableSensors", {}).has_value());
}

TEST_F(WidgetInstanceTableTest, EntriesFromManyThreadsNeverOverlapInThePlugInAndAllAreReleased) {
  {
    WidgetInstanceTable table(factory(), {});
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([&table, t] {
        std::string identifier = "instance-" + std::to_string(t % 3);
        for (int i = 0; i < 200; ++i) {
          table.open(identifier);
          table.call(identifier, "localizedReadingAtDisplayIndex", {});
          if (i % 50 == 0) table.close(identifier);
        }
      });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_GT(alive_, 0);
  }
  EXPECT_EQ(maxEntriesRunning_, 1);
  EXPECT_EQ(alive_, 0) << "destroying the table releases every controller";
}

}  // namespace
}  // namespace sw::host
