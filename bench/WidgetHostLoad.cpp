// Load on the widget host: many widget instances on the default profile polling at once, each
// call timed from the client's side over loopback. Reports p50 and p99 latency per script call.
//
// Usage: WidgetHostLoad [instances=200] [poll cycles per instance=5]
#include <fmt/format.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <barrier>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "host/WidgetHost.h"
#include "os/Machine.h"
#include "os/SystemLog.h"
#include "os/UserDefaults.h"
#include "sim/BuiltInProfiles.h"
#include "sim/SimulatedMachine.h"

namespace {

using Clock = std::chrono::steady_clock;
using Microseconds = std::chrono::duration<double, std::micro>;

// What one widget asks on every refresh: name, reading and icon of both positions, and the status.
const std::vector<nlohmann::json> kPollCalls = {
    {{"call", "localizedSensorNameAtDisplayIndex"}, {"args", {0}}},
    {{"call", "localizedReadingAtDisplayIndex"}, {"args", {0}}},
    {{"call", "relativePathForTypeIconAtDisplayIndex"}, {"args", {0}}},
    {{"call", "localizedSensorNameAtDisplayIndex"}, {"args", {1}}},
    {{"call", "localizedReadingAtDisplayIndex"}, {"args", {1}}},
    {{"call", "relativePathForTypeIconAtDisplayIndex"}, {"args", {1}}},
    {{"call", "localizedStatusMessage"}, {"args", nlohmann::json::array()}},
};

struct Widget {
  std::string path;  // /api/instances/<id>/
  httplib::Client client;
  std::string origin;
};

bool post(Widget& widget, const std::string& action, const std::string& body) {
  auto answer = widget.client.Post((widget.path + action).c_str(), {{"Origin", widget.origin}}, body,
                                   "application/json");
  return answer && answer->status == 200;
}

void installDefaultMachine(const std::filesystem::path& defaultsDirectory) {
  sw::os::setLogToSyslog(false);
  auto loaded = sw::sim::SimulatedMachine::loadBuiltIn(sw::sim::kDefaultProfileName);
  if (auto* problem = std::get_if<std::string>(&loaded)) {
    fmt::print(stderr, "WidgetHostLoad: {}\n", *problem);
    std::exit(1);
  }
  sw::os::setCurrentMachine(std::get<std::shared_ptr<sw::sim::SimulatedMachine>>(loaded));
  sw::os::setDefaultsDirectory(defaultsDirectory);
}

double percentile(const std::vector<double>& sorted, double fraction) {
  std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
  return sorted[index];
}

}  // namespace

int main(int argc, char** argv) {
  const int instances = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int cycles = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const auto defaultsDirectory = std::filesystem::temp_directory_path() / fmt::format("widget-host-load-{}", ::getpid());
  std::filesystem::create_directories(defaultsDirectory);
  installDefaultMachine(defaultsDirectory);

  sw::host::WidgetHostOptions options;
  options.port = 0;
  sw::host::WidgetHost host(sw::host::pluginControllerFactory(), options);
  const int port = host.bind();
  if (port < 0) {
    fmt::print(stderr, "WidgetHostLoad: cannot listen on loopback\n");
    return 1;
  }
  std::thread server([&host] { host.serve(); });

  std::mutex resultsLock;
  std::vector<double> latencies;
  int failures = 0;
  Clock::time_point pollingStarted;
  std::barrier allOpen(instances, [&pollingStarted]() noexcept { pollingStarted = Clock::now(); });
  std::vector<std::thread> widgets;
  for (int n = 0; n < instances; ++n) {
    widgets.emplace_back([&, n] {
      const std::string identifier = fmt::format("load-{}", n);
      Widget widget{"/api/instances/" + identifier + "/", httplib::Client("127.0.0.1", port),
                    fmt::format("http://127.0.0.1:{}", port)};
      widget.client.set_keep_alive(true);
      widget.client.set_tcp_nodelay(true);
      widget.client.set_read_timeout(30, 0);
      const bool ready = post(widget, "open", "") &&
                   post(widget, "call", nlohmann::json{{"call", "setWidgetIdentifier"}, {"args", {identifier}}}.dump());
      allOpen.arrive_and_wait();  // then every widget polls at once
      std::vector<double> mine;
      int failed = ready ? 0 : 1;
      for (int cycle = 0; cycle < cycles; ++cycle) {
        for (const auto& call : kPollCalls) {
          const auto sent = Clock::now();
          failed += post(widget, "call", call.dump()) ? 0 : 1;
          mine.push_back(Microseconds(Clock::now() - sent).count());
        }
      }
      std::lock_guard lock(resultsLock);
      latencies.insert(latencies.end(), mine.begin(), mine.end());
      failures += failed;
    });
  }
  for (auto& widget : widgets) widget.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - pollingStarted).count();
  host.stop();
  server.join();
  std::filesystem::remove_all(defaultsDirectory);

  std::sort(latencies.begin(), latencies.end());
  fmt::print("{} instances x {} poll cycles x {} calls = {} script calls in {:.2f} s ({:.0f} calls/s), {} failed\n",
             instances, cycles, kPollCalls.size(), latencies.size(), seconds,
             static_cast<double>(latencies.size()) / seconds, failures);
  fmt::print("latency per script call: p50 {:.2f} ms, p99 {:.2f} ms, max {:.2f} ms\n",
             percentile(latencies, 0.50) / 1000.0, percentile(latencies, 0.99) / 1000.0, latencies.back() / 1000.0);
  return failures == 0 ? 0 : 1;
}
