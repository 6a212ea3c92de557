// The widget host over HTTP on loopback: the instance protocol, the DNS-rebinding defence and
// the page's files, with a stand-in for the plug-in. Hostile requests: MalformedRequestTest.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "host/RunningWidgetHost.h"

namespace sw::host {
namespace {

using test::RunningWidgetHost;

// Answers like the dispatcher: two operations, refused with arguments.
WidgetInstanceTable::ScriptCall fakeController() {
  auto calls = std::make_shared<int>(0);
  return [calls](std::string_view name, const nlohmann::json& args) -> nlohmann::json {
    if (name == "numberOfAvailableSensors" && args.empty()) return {{"result", 2}};
    if (name == "callsSoFar" && args.empty()) return {{"result", ++*calls}};
    return {{"error", "no such script operation or wrong arguments"}};
  };
}

class WidgetHostTest : public ::testing::Test {
 protected:
  httplib::Result post(const std::string& path, const std::string& body = "",
                       const std::string& contentType = "application/json") {
    return client_.Post(path.c_str(), {{"Origin", host_.origin()}}, body, contentType.c_str());
  }

  RunningWidgetHost host_{fakeController};
  httplib::Client client_ = host_.client();
};

TEST_F(WidgetHostTest, AnInstanceIsOpenedCalledAndClosed) {
  const std::string instance = "/api/instances/" + std::string(64, 'i');  // the longest identifier allowed
  auto opened = post(instance + "/open");
  ASSERT_TRUE(opened);
  EXPECT_EQ(nlohmann::json::parse(opened->body), (nlohmann::json{{"created", true}}));
  EXPECT_EQ(nlohmann::json::parse(post(instance + "/open")->body)["created"], false);

  auto answer = post(instance + "/call", R"({"call": "numberOfAvailableSensors", "args": []})",
                     "application/json; charset=utf-8");
  EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(answer->get_header_value("X-Content-Type-Options"), "nosniff");
  EXPECT_EQ(nlohmann::json::parse(answer->body), (nlohmann::json{{"result", 2}}));

  EXPECT_EQ(post(instance + "/close")->status, 204);
  EXPECT_EQ(post(instance + "/call", R"({"call": "numberOfAvailableSensors"})")->status, 404);
  EXPECT_EQ(post(instance + "/close")->status, 204) << "closing twice is harmless";
}

TEST_F(WidgetHostTest, ABatchIsAnsweredInOrderEachElementExactlyAsASingleCall) {
  const std::string instance = "/api/instances/batch";
  post(instance + "/open");
  const std::vector<std::string> elements = {
      R"({"call": "callsSoFar"})",
      R"({"call": "numberOfAvailableSensors", "args": []})",
      R"({"call": "numberOfAvailableSensors", "args": [1]})",  // refused by the controller
      R"({"call": "not a name"})",                             // refused by the parser
      R"("numberOfAvailableSensors")",
      R"({"call": "callsSoFar"})",
  };
  std::string body = "[";
  for (const std::string& element : elements) body += (body.size() > 1 ? "," : "") + element;
  auto batch = post(instance + "/batch", body + "]");
  ASSERT_TRUE(batch);
  EXPECT_EQ(batch->status, 200) << "bad elements do not spoil the batch";
  const nlohmann::json answers = nlohmann::json::parse(batch->body);
  ASSERT_EQ(answers.size(), elements.size());
  EXPECT_EQ(answers[0], (nlohmann::json{{"result", 1}}));
  EXPECT_EQ(answers[5], (nlohmann::json{{"result", 2}})) << "in order, each made once";
  for (std::size_t i = 1; i + 1 < elements.size(); ++i) {
    EXPECT_EQ(answers[i], nlohmann::json::parse(post(instance + "/call", elements[i])->body)) << elements[i];
  }

  const std::pair<std::string, int> kRefused[] = {
      {R"({"call": "numberOfAvailableSensors"})", 400},  // not an array
      {"[" + std::string(65 * 2, ' ') + std::string(64, ',') + "]", 400},  // 65 elements
      {"[]", 200},
  };
  for (const auto& [refused, status] : kRefused) EXPECT_EQ(post(instance + "/batch", refused)->status, status) << refused;
  EXPECT_EQ(post(instance + "/batch", "[]", "text/plain")->status, 415);
  EXPECT_EQ(post("/api/instances/ghost/batch", "[]")->status, 404);
}

// A browser keeps a connection open per widget tab, and any local process may open connections
// and send half a request: none of them may hold back the page of another widget.
TEST(WidgetHostConnections, IdleAndStalledConnectionsHoldBackNoOneAndStalledOnesAreDropped) {
  RunningWidgetHost host(fakeController, {.connectionTimeoutSeconds = 2, .limits = {}});
  auto connect = [&] {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(static_cast<std::uint16_t>(host.port())),
                        .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
  };
  auto sendText = [](int fd, const std::string& text) { ::send(fd, text.data(), text.size(), MSG_NOSIGNAL); };
  const std::string hostHeader = "Host: 127.0.0.1:" + std::to_string(host.port()) + "\r\n";
  const std::string page = "GET / HTTP/1.1\r\n" + hostHeader + "\r\n";

  std::vector<int> idle;
  std::vector<int> stalled;
  for (int i = 0; i < 300; ++i) {
    idle.push_back(connect());
    sendText(idle.back(), page);  // answered, then left open
  }
  for (int i = 0; i < 200; ++i) {
    stalled.push_back(connect());
    sendText(stalled.back(), i % 2 ? "POST /api/instances/a/call HTTP/1.1\r\n" + hostHeader +
                                         "Content-Type: application/json\r\nContent-Length: 100\r\n\r\n{\"call"
                                   : "GET / HTTP/1.1\r\nHost: 127.0");
  }

  httplib::Client client = host.client();
  for (int round = 0; round < 5; ++round) {
    const auto asked = std::chrono::steady_clock::now();
    auto answer = client.Get("/");
    const auto waited = std::chrono::steady_clock::now() - asked;
    ASSERT_TRUE(answer && answer->status == 200);
    // Milliseconds on an idle machine; the bound leaves room for a loaded one and the sanitizer.
    EXPECT_LT(waited, std::chrono::milliseconds(500)) << "round " << round;
  }

  // A stalled request is dropped once the connection timeout has passed with nothing sent.
  std::vector<pollfd> watched;
  for (int fd : stalled) watched.push_back({.fd = fd, .events = POLLIN, .revents = 0});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::size_t closed = 0;
  while (closed < stalled.size() && std::chrono::steady_clock::now() < deadline) {
    ::poll(watched.data(), watched.size(), 200);
    closed = 0;
    for (pollfd& entry : watched) {
      char byte = 0;
      if ((entry.revents & (POLLIN | POLLHUP)) != 0 && ::recv(entry.fd, &byte, 1, MSG_DONTWAIT) == 0) entry.events = 0;
      if (entry.events == 0) ++closed;
    }
  }
  EXPECT_EQ(closed, stalled.size()) << "half-sent requests still open after 10 s";
  for (int fd : idle) ::close(fd);
  for (int fd : stalled) ::close(fd);
}

TEST(WidgetHostLifecycle, StopEndsServingEvenWhenItComesFirstAndABusyPortIsNotServedUntilItsHostIsGone) {
  int released = 0;
  {
    RunningWidgetHost gone(fakeController);
    released = gone.port();
  }
  WidgetHost reopened(fakeController, {.port = released, .limits = {}});
  EXPECT_EQ(reopened.bind(), released) << "a stopped host still holds its listening socket";
  RunningWidgetHost first(fakeController);
  WidgetHost stopped(fakeController, {.port = 0, .limits = {}});
  ASSERT_GT(stopped.bind(), 0);
  stopped.stop();
  EXPECT_TRUE(stopped.serve());
  WidgetHost second(fakeController, {.port = first.port(), .limits = {}});
  EXPECT_EQ(second.bind(), -1);
  EXPECT_FALSE(second.serve());
}

}  // namespace
}  // namespace sw::host
