// Thousands of hostile or broken requests against a host with real controllers: every one is
// answered with the right refusal, good calls keep working in between, and memory stays flat.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/RunningWidgetHost.h"
#include "host/ScriptCallRequest.h"
#include "support/SimulatedMachineTest.h"

namespace sw::host {
namespace {

std::size_t residentBytes() {
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages >> pages;  // the second number counts resident pages
  return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Sends bytes no client library would write and reads the status of the answer. Reads no further
// than the status: the server keeps such a connection open until its keep-alive time runs out.
int rawStatus(int port, const std::string& request) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(static_cast<std::uint16_t>(port)),
                      .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
  char statusLine[13] = {};
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    ::recv(fd, statusLine, sizeof statusLine - 1, MSG_WAITALL);
  }
  ::close(fd);
  int status = 0;
  return std::sscanf(statusLine, "HTTP/1.1 %d", &status) == 1 ? status : 0;
}

const std::string kCallPath = "/api/instances/robust/call";

struct MalformedCase {
  const char* fault;
  int expectedStatus;  // 0: closed without an answer
  std::string body;  // empty: a GET of the path
  std::string path = kCallPath;
  httplib::Headers headers = {};  // empty: the host's own Origin
  std::string contentType = "application/json";
  std::string raw = {};  // sent as it is when not empty
};

std::vector<MalformedCase> malformedCases(int port) {
  const std::string count = R"({"call": "numberOfAvailableSensors"})";
  const httplib::Headers foreignOrigin = {{"Origin", "http://rebound.example"}};
  return {
      {"a body that is not JSON", 400, "{\"call\": "},
      {"JSON that is not an object", 400, "[1,2,3]"},
      {"brackets nested thousands deep", 400, std::string(5000, '[') + std::string(5000, ']')},
      {"an unknown script name", 400, R"({"call": "launchMissiles"})"},
      {"a name the plug-in keeps from the script", 400, R"({"call": "sensorIndexForSensorID", "args": ["x"]})"},
      {"a string where a number belongs", 400, R"({"call": "setTemperatureUnitIndex", "args": ["1"]})"},
      {"a missing argument", 400, R"({"call": "setPreferredSensorIndexForDisplayIndex", "args": [1]})"},
      {"a huge number as display index", 200, R"({"call": "localizedReadingAtDisplayIndex", "args": [1e300]})"},
      {"a call to an instance never opened", 404, count, "/api/instances/ghost/call"},
      {"an instance identifier too long", 404, "{}", "/api/instances/" + std::string(65, 'a') + "/open"},
      {"an instance identifier that is no plain word", 404, "{}", "/api/instances/a.b/open"},
      {"a call from a foreign Origin", 403, count, kCallPath, foreignOrigin},
      {"an oversized body", 413, std::string(kMaxRequestBodyBytes + 100, 'x')},
      {"a body declared as text", 415, count, kCallPath, {}, "text/plain"},
      {"a foreign Host", 403, "", "/", {{"Host", "rebound.example:" + std::to_string(port)}}},
      {"the page fetched for a foreign Origin", 403, "", "/", foreignOrigin},
      {"a path that climbs out of the page's folder", 404, "", "/../profiles/MacBookPro5,5.plist"},
      // Not HTTP at all (here the start of an encrypted handshake): the connection is closed
      // without an answer, which rawStatus reports as 0.
      {"a request line that is not HTTP", 0, "", "", {}, "", "\x16\x03\x01\x02garbage\r\n\r\n"},
  };
}

class MalformedRequestTest : public test::SimulatedMachineTest {};

TEST_F(MalformedRequestTest, TheHostKeepsAnsweringCorrectlyWithFlatMemory) {
  test::RunningWidgetHost host(pluginControllerFactory());
  httplib::Client client = host.client();
  ASSERT_EQ(client.Post("/api/instances/robust/open", {{"Origin", host.origin()}}, "", "application/json")->status, 200);
  const auto cases = malformedCases(host.port());

  auto send = [&](const MalformedCase& c) {
    if (!c.raw.empty()) return rawStatus(host.port(), c.raw);
    const httplib::Headers headers = c.headers.empty() ? httplib::Headers{{"Origin", host.origin()}} : c.headers;
    auto answer = c.body.empty() ? client.Get(c.path.c_str(), headers)
                                 : client.Post(c.path.c_str(), headers, c.body, c.contentType.c_str());
    return answer ? answer->status : 0;
  };
  auto sendRound = [&](int requests) {
    for (int i = 0; i < requests; ++i) {
      const MalformedCase& c = cases[static_cast<std::size_t>(i) % cases.size()];
      ASSERT_EQ(send(c), c.expectedStatus) << c.fault;
      if (i % 25 == 0) {
        auto good = client.Post(kCallPath, {{"Origin", host.origin()}}, R"({"call": "localizedStatusMessage"})", "application/json");
        ASSERT_TRUE(good && good->status == 200 && nlohmann::json::parse(good->body)["result"].is_string())
            << "the host stopped answering correctly after " << c.fault;
      }
    }
  };

  sendRound(static_cast<int>(cases.size()) * 20);  // warm up caches, pools and allocator arenas
  [[maybe_unused]] const std::size_t before = residentBytes();
  sendRound(4000);
  [[maybe_unused]] const std::size_t after = residentBytes();
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's quarantine holds freed memory on purpose
  EXPECT_LT(after, before + 8 * 1024 * 1024) << "resident memory grew from " << before << " to " << after;
#endif
  EXPECT_EQ(host.host().instances().size(), 1u) << "a refused request must not create an instance";
  EXPECT_EQ(client.Get("/")->status, 200) << "a request without Origin is the page loading itself";
}

}  // namespace
}  // namespace sw::host
