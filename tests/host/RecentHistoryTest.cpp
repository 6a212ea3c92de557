// Recent history: the rings' bucketing and memory bound, the readings of an instance feeding them
// without extra sensor reads, and the route the page fetches them by.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

#include "host/InstanceHistory.h"
#include "host/RecentHistory.h"
#include "host/RunningWidgetHost.h"
#include "widget/WidgetTestMachine.h"

namespace sw::host {
namespace {

using Clock = SensorHistoryRing::Clock;
using Tail = std::vector<std::optional<std::int32_t>>;
constexpr std::optional<std::int32_t> gap;

Clock::time_point at(double seconds) {
  return Clock::time_point{} + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

/// The last `count` samples of a ring that kept reading number i (from 1) at times[i - 1].
Tail tailAfterReadingsAt(const std::vector<double>& times, std::size_t count, double now) {
  SensorHistoryRing ring(RecentHistory::kRefreshInterval, 1);
  for (std::size_t i = 0; i < times.size(); ++i) ring.record(static_cast<std::int32_t>(i + 1), at(times[i]));
  const SensorHistoryRing::Samples samples = ring.window(at(now)).samples;
  return Tail(samples.end() - static_cast<std::ptrdiff_t>(count), samples.end());
}

std::vector<double> every(double interval, int count, double start = 0) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i) times.push_back(start + interval * i);
  return times;
}

Tail numbers(std::int32_t first, std::int32_t last, std::int32_t step = 1) {
  Tail tail;
  for (std::int32_t n = first; n <= last; n += step) tail.push_back(n);
  return tail;
}

TEST(SensorHistoryRing, OneSamplePerRefreshAndGapsOnlyWhereNoReadingWasMade) {
  struct Case {
    const char* fault;
    std::vector<double> times;
    double now;
    Tail expectedTail;
  };
  const std::vector<double> drifting = every(2.02, 250);
  const std::vector<double> twoInstances = every(1.0, 20);
  const Case cases[] = {
      {"refreshes that come a little late leave no gaps", drifting, drifting.back(), numbers(1, 250)},
      {"two instances half an interval apart fill one sample per interval, the later one", twoInstances,
       twoInstances.back(), numbers(2, 20, 2)},
      {"a page hidden for ten seconds leaves the intervals it missed empty", {0, 2, 4, 14, 16}, 16,
       {1, 2, 3, gap, gap, gap, gap, 4, 5}},
      {"the line reaches to now: time without readings since shows as gaps", {0, 2, 4}, 10, {1, 2, 3, gap, gap, gap}},
      {"after the ring wraps only the last ten minutes show", every(2.0, 350), 698, numbers(51, 350)},
      {"readings older than ten minutes are not shown as recent ones", every(2.0, 10), 2000, Tail(300, gap)},
      {"nothing read, nothing shown", {}, 100, Tail(300, gap)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tailAfterReadingsAt(c.times, c.expectedTail.size(), c.now), c.expectedTail) << c.fault;
  }
}

TEST(RecentHistory, MemoryIsBoundedWhateverTheNumberOfSensorsAndTheBusiestRingsStay) {
  double seconds = 0;
  RecentHistory history([&seconds] { return at(seconds); });
  for (int i = 0; i < 1000; ++i) {
    seconds += 0.5;
    history.record("busy", i);
    history.record("sensor." + std::to_string(i), i);
  }
  EXPECT_EQ(history.ringCount(), RecentHistory::kMaxRings);
  // A ring is a fixed block: ten minutes of raw readings with their interval numbers.
  EXPECT_LE(sizeof(SensorHistoryRing), SensorHistoryRing::kSlots * 16 + 128);
  EXPECT_LE(RecentHistory::kMaxRings * sizeof(SensorHistoryRing), 1u << 20) << "all rings together stay below 1 MiB";
  EXPECT_EQ(history.window("busy")->samples.back(), 999) << "a sensor read all along keeps its ring";
  EXPECT_EQ(history.window("sensor.999")->samples.back(), 999);
  EXPECT_FALSE(history.window("sensor.0")) << "the ring read longest ago gave way";
  EXPECT_NE(history.window("busy")->serial, history.window("sensor.999")->serial);
}

/// A temperature sensor that counts its reads and answers the next of its readings each time.
class ScriptedSensor : public TKSSensor {
 public:
  ScriptedSensor(std::string identifier, std::vector<std::int32_t> readings) : readings_(std::move(readings)) {
    setUniqueIdentifier(std::move(identifier));
    setLocationIdentifier("Location " + uniqueIdentifier());
    setQuantityType(TKSQuantityTemperature);
  }
  std::string className() const override { return "ScriptedSensor"; }
  std::int32_t rawValue() override { return readings_[std::min(reads++, readings_.size() - 1)]; }
  std::string unit() const override { return "C"; }

  std::size_t reads = 0;

 private:
  std::vector<std::int32_t> readings_;
};

class InstanceHistoryTest : public test::WidgetTestMachine {
 protected:
  void useScriptedSensors(std::vector<std::int32_t> firstReadings, std::vector<std::int32_t> secondReadings) {
    first_ = std::make_shared<ScriptedSensor>("a", std::move(firstReadings));
    second_ = std::make_shared<ScriptedSensor>("b", std::move(secondReadings));
    TKSSensor::resetClassList();
    TKSSensor::registerSensorClass({"ScriptedSensor", [this] { return SensorList{first_, second_}; }});
  }

  std::shared_ptr<PluginController> instance(const std::string& identifier) {
    auto controller = std::make_shared<PluginController>();
    controller->setWidgetIdentifier(identifier);
    return controller;
  }

  nlohmann::json call(PluginController& controller, std::string_view name, nlohmann::json arguments) {
    return dispatchWithHistory(controller, history_, name, arguments);
  }

  nlohmann::json historyOf(PluginController& controller, int position, nlohmann::json newest = nullptr) {
    nlohmann::json arguments = {position};
    if (!newest.is_null()) arguments.push_back(newest);
    return call(controller, kRecentHistoryCall, arguments)["result"]["positions"][0];
  }

  std::shared_ptr<ScriptedSensor> first_;
  std::shared_ptr<ScriptedSensor> second_;
  RecentHistory history_;
};

TEST_F(InstanceHistoryTest, EachReadingReadsItsSensorOnceAndTheLineEndsWithItInTheChosenScale) {
  useScriptedSensors({40, 45}, {30});
  auto controller = instance("one");
  const std::size_t readsBefore = first_->reads;
  const nlohmann::json reading = call(*controller, "localizedReadingAtDisplayIndex", {0});
  EXPECT_EQ(first_->reads, readsBefore + 1) << "the reading and the kept sample come from one read";
  EXPECT_EQ(reading, (nlohmann::json{{"result", controller->localizedReadingForRawValue(0, 40)}}));

  controller->setTemperatureUnitIndex(1);
  const nlohmann::json fahrenheit = historyOf(*controller, 0);
  EXPECT_EQ(fahrenheit["samples"].size(), SensorHistoryRing::kSlots);
  EXPECT_EQ(fahrenheit["samples"].back(), 104.0) << "40 °C drawn in °F";
  EXPECT_EQ(fahrenheit["minimum"], controller->localizedReadingForRawValue(0, 40));
  EXPECT_NE(fahrenheit["minimum"].get<std::string>().find("F"), std::string::npos);
}

TEST_F(InstanceHistoryTest, InstancesShowingOneSensorShareItsRingAndFailedReadingsAreGaps) {
  useScriptedSensors({50, -1}, {30});
  auto one = instance("one");
  auto other = instance("other");
  call(*one, "localizedReadingAtDisplayIndex", {0});
  call(*other, "localizedReadingAtDisplayIndex", {0});  // the same moment: replaces the first
  EXPECT_EQ(history_.ringCount(), 1u);
  const nlohmann::json failed = historyOf(*one, 0);
  EXPECT_TRUE(failed["samples"].back().is_null()) << "a failed reading is a gap, not a value of -1";
  EXPECT_TRUE(failed["minimum"].is_null());
  EXPECT_TRUE(historyOf(*one, 1)["ring"].is_null()) << "position 1 was never read";
  EXPECT_EQ(historyOf(*one, 0)["ring"], historyOf(*other, 0)["ring"]);
}

// A page keeps the ring and asks for the newest few samples each refresh: they must be the end of
// what the whole ring says, and minimum and maximum still those of the whole ring.
TEST_F(InstanceHistoryTest, TheNewestSamplesAreTheEndOfTheWholeRing) {
  useScriptedSensors({48, 47, 46, 45, 44, 43, 42}, {30});
  double seconds = 0;
  RecentHistory timed([&seconds] { return at(seconds); });
  auto controller = instance("one");
  for (int refresh = 0; refresh < 7; ++refresh, seconds += 2) {
    dispatchWithHistory(*controller, timed, "localizedReadingAtDisplayIndex", {0});
  }
  seconds -= 2;  // asked right after the last reading, as the page does
  const auto history = [&](nlohmann::json arguments) {
    return dispatchWithHistory(*controller, timed, kRecentHistoryCall, arguments)["result"]["positions"][0];
  };
  const nlohmann::json whole = history({0});
  const nlohmann::json newest = history({0, 3});
  EXPECT_EQ(newest["samples"], (nlohmann::json{44.0, 43.0, 42.0}));
  ASSERT_EQ(whole["samples"].size(), SensorHistoryRing::kSlots);
  EXPECT_EQ(whole["samples"][SensorHistoryRing::kSlots - 3], 44.0);
  EXPECT_EQ(newest["end"], whole["end"]);
  EXPECT_EQ(newest["maximum"], controller->localizedReadingForRawValue(0, 48)) << "of the whole ring";
}

TEST_F(InstanceHistoryTest, TurnedOffItKeepsNothingAndTheChoiceIsKeptPerInstance) {
  useScriptedSensors({50}, {30});
  auto controller = instance("quiet");
  call(*controller, "setShowsRecentHistory", {false});
  EXPECT_EQ(call(*controller, "localizedReadingAtDisplayIndex", {0})["result"], controller->localizedReadingAtIndex(0));
  EXPECT_EQ(history_.ringCount(), 0u);

  EXPECT_FALSE(instance("quiet")->showsRecentHistory()) << "read back after a restart";
  EXPECT_TRUE(instance("another")->showsRecentHistory()) << "other instances keep the default";
  call(*controller, "setShowsRecentHistory", {1});
  EXPECT_TRUE(instance("quiet")->showsRecentHistory());
}

// The route over HTTP, with a stand-in controller that answers the history call with its argument.
WidgetInstanceTable::ScriptCall historyEcho() {
  return [](std::string_view name, const nlohmann::json& args) -> nlohmann::json {
    if (name == kRecentHistoryCall) return {{"result", {{"asked", args}}}};
    return {{"error", "no such script operation"}};
  };
}

TEST(HistoryRoute, APositionIsPassedOnAndAnythingElseIsRefused) {
  test::RunningWidgetHost host(historyEcho);
  httplib::Client client = host.client();
  const httplib::Headers origin = {{"Origin", host.origin()}};
  client.Post("/api/instances/page/open", origin, "", "application/json");
  const std::pair<std::string, int> kRoutes[] = {
      {"/api/instances/page/history", 200},
      {"/api/instances/page/history?position=1", 200},
      {"/api/instances/page/history?position=2", 400},
      {"/api/instances/page/history?position=01", 400},
      {"/api/instances/page/history?position=", 400},
      {"/api/instances/page/history?last=300", 200},
      {"/api/instances/page/history?position=0&last=1", 200},
      {"/api/instances/page/history?last=0", 400},
      {"/api/instances/page/history?last=301", 400},
      {"/api/instances/page/history?last=-1", 400},
      {"/api/instances/page/history?last=4x", 400},
      {"/api/instances/ghost/history", 404},
  };
  for (const auto& [path, status] : kRoutes) EXPECT_EQ(client.Get(path, origin)->status, status) << path;
  EXPECT_EQ(nlohmann::json::parse(client.Get("/api/instances/page/history?position=1", origin)->body)["asked"],
            nlohmann::json{1});
  EXPECT_EQ(nlohmann::json::parse(client.Get("/api/instances/page/history", origin)->body)["asked"],
            nlohmann::json{-1});
  EXPECT_EQ(nlohmann::json::parse(client.Get("/api/instances/page/history?last=8", origin)->body)["asked"],
            (nlohmann::json{-1, 8}));
  const auto fromThePage = client.Post("/api/instances/page/call", origin,
                                       R"({"call": "#recentHistory", "args": [0]})", "application/json");
  EXPECT_EQ(fromThePage->status, 400) << "the page cannot send the host's own call";
}

}  // namespace
}  // namespace sw::host
