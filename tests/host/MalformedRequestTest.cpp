// Thousands of hostile or broken requests against a host with real controllers: every one is
// answered with the right refusal, good calls keep working in between, and memory stays flat.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "host/RawHttpClient.h"
#include "host/RunningWidgetHost.h"
#include "host/ScriptCallRequest.h"
#include "support/SimulatedMachineTest.h"

namespace sw::host {
namespace {

std::size_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t totalPages = 0;
  std::size_t residentPages = 0;
  statm >> totalPages >> residentPages;
  return residentPages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

struct MalformedCase {
  const char* fault;
  std::function<int(int port, httplib::Client&, const std::string& origin)> send;  // → status
  int expectedStatus;
};

int postCall(httplib::Client& client, const std::string& origin, const std::string& body,
             const std::string& path = "/api/instances/robust/call") {
  auto answer = client.Post(path.c_str(), {{"Origin", origin}}, body, "application/json");
  return answer ? answer->status : 0;
}

std::vector<MalformedCase> malformedCases() {
  using C = httplib::Client;
  using S = const std::string&;
  return {
      {"a body that is not JSON", [](int, C& c, S o) { return postCall(c, o, "{\"call\": "); }, 400},
      {"JSON that is not an object", [](int, C& c, S o) { return postCall(c, o, "[1,2,3]"); }, 400},
      {"brackets nested thousands deep",
       [](int, C& c, S o) { return postCall(c, o, std::string(5000, '[') + std::string(5000, ']')); }, 400},
      {"an unknown script name", [](int, C& c, S o) { return postCall(c, o, R"({"call": "launchMissiles"})"); }, 400},
      {"a name the plug-in keeps from the script",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "sensorIndexForSensorID", "args": ["x"]})"); }, 400},
      {"a selector instead of a script name",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "setTemperatureUnitIndex:", "args": [1]})"); }, 400},
      {"a string where a number belongs",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "setTemperatureUnitIndex", "args": ["1"]})"); }, 400},
      {"a missing argument",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "setPreferredSensorIndexForDisplayIndex", "args": [1]})"); },
       400},
      {"an object as argument",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "logDebugString", "args": [{"a": 1}]})"); }, 400},
      {"a huge number as display index",
       [](int, C& c, S o) { return postCall(c, o, R"({"call": "localizedReadingAtDisplayIndex", "args": [1e300]})"); },
       200},
      {"a call to an instance never opened",
       [](int, C& c, S o) {
         return postCall(c, o, R"({"call": "numberOfAvailableSensors"})", "/api/instances/ghost/call");
       },
       404},
      {"a foreign Host",
       [](int port, C& c, S) {
         auto answer = c.Get("/", {{"Host", "rebound.example:" + std::to_string(port)}});
         return answer ? answer->status : 0;
       },
       403},
      {"a foreign Origin",
       [](int, C& c, S) { return postCall(c, "http://rebound.example", R"({"call": "numberOfAvailableSensors"})"); },
       403},
      {"an oversized body",
       [](int, C& c, S o) { return postCall(c, o, std::string(kMaxRequestBodyBytes + 100, 'x')); }, 413},
      {"a body declared as text",
       [](int, C& c, S o) {
         auto answer = c.Post("/api/instances/robust/call", {{"Origin", o}}, R"({"call": "numberOfAvailableSensors"})",
                              "text/plain");
         return answer ? answer->status : 0;
       },
       415},
      {"a path that climbs out of the page's folder",
       [](int port, C&, S) { return test::sendRawRequest(port, test::rawGet("/../profiles/MacBookPro5,5.plist", port)).status; },
       404},
      {"an encoded climb",
       [](int port, C&, S) { return test::sendRawRequest(port, test::rawGet("/%2e%2e%2f%2e%2e%2fetc%2fpasswd", port)).status; },
       404},
  };
}

class MalformedRequestTest : public test::SimulatedMachineTest {};

TEST_F(MalformedRequestTest, TheHostKeepsAnsweringCorrectlyWithFlatMemory) {
  test::RunningWidgetHost host(pluginControllerFactory());
  httplib::Client client = host.client();
  client.set_keep_alive(true);
  const std::string origin = host.origin();
  ASSERT_EQ(postCall(client, origin, "", "/api/instances/robust/open"), 200);
  const auto cases = malformedCases();

  auto sendRound = [&](int requests) {
    for (int i = 0; i < requests; ++i) {
      const MalformedCase& c = cases[static_cast<std::size_t>(i) % cases.size()];
      ASSERT_EQ(c.send(host.port(), client, origin), c.expectedStatus) << c.fault;
      if (i % 25 == 0) {
        auto good = client.Post("/api/instances/robust/call", {{"Origin", origin}},
                                R"({"call": "localizedStatusMessage"})", "application/json");
        ASSERT_TRUE(good) << "the host stopped answering after " << c.fault;
        ASSERT_EQ(good->status, 200) << good->body;
        ASSERT_TRUE(nlohmann::json::parse(good->body)["result"].is_string());
      }
    }
  };

  sendRound(static_cast<int>(cases.size()) * 20);  // warm up caches, pools and allocator arenas
  const std::size_t before = residentBytes();
  const auto start = std::chrono::steady_clock::now();
  sendRound(4000);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const std::size_t after = residentBytes();

  EXPECT_LT(elapsed, std::chrono::seconds(60));
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's quarantine holds freed memory on purpose
  EXPECT_LT(after, before + 8 * 1024 * 1024) << "resident memory grew from " << before << " to " << after;
#endif
  EXPECT_EQ(host.host().instances().size(), 1u);
}

}  // namespace
}  // namespace sw::host
