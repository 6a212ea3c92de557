// The widget host over HTTP on loopback: the instance protocol, the DNS-rebinding defence and
// the page's files, with a stand-in for the plug-in.
#include <gtest/gtest.h>

#include <string>

#include "host/RawHttpClient.h"
#include "host/RunningWidgetHost.h"

namespace sw::host {
namespace {

using test::RunningWidgetHost;

// Answers like the dispatcher: one operation without arguments, one that takes an integer.
WidgetInstanceTable::ScriptCall fakeController() {
  auto unit = std::make_shared<int>(0);
  return [unit](std::string_view name, const nlohmann::json& args) -> nlohmann::json {
    if (name == "numberOfAvailableSensors" && args.empty()) return {{"result", 2}};
    if (name == "preferredTemperatureUnitIndex" && args.empty()) return {{"result", *unit}};
    if (name == "setTemperatureUnitIndex" && args.size() == 1 && args[0].is_number_integer()) {
      *unit = args[0].get<int>();
      return {{"result", nullptr}};
    }
    return {{"error", "no such script operation or wrong arguments"}};
  };
}

class WidgetHostTest : public ::testing::Test {
 protected:
  httplib::Result post(const std::string& path, const std::string& body) {
    return client_.Post(path.c_str(), {{"Origin", host_.origin()}}, body, "application/json");
  }
  httplib::Result call(const std::string& instance, const nlohmann::json& request) {
    return post("/api/instances/" + instance + "/call", request.dump());
  }

  RunningWidgetHost host_{fakeController};
  httplib::Client client_ = host_.client();
};

TEST_F(WidgetHostTest, AnInstanceIsOpenedCalledAndClosed) {
  auto opened = post("/api/instances/page-1/open", "");
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->status, 200);
  EXPECT_EQ(nlohmann::json::parse(opened->body), (nlohmann::json{{"created", true}}));
  EXPECT_EQ(nlohmann::json::parse(post("/api/instances/page-1/open", "")->body)["created"], false);

  auto answer = call("page-1", {{"call", "numberOfAvailableSensors"}, {"args", nlohmann::json::array()}});
  EXPECT_EQ(answer->status, 200);
  EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(nlohmann::json::parse(answer->body), (nlohmann::json{{"result", 2}}));

  EXPECT_EQ(post("/api/instances/page-1/close", "")->status, 204);
  EXPECT_EQ(host_.host().instances().size(), 0u);
  EXPECT_EQ(call("page-1", {{"call", "numberOfAvailableSensors"}})->status, 404);
  EXPECT_EQ(post("/api/instances/page-1/close", "")->status, 204) << "closing twice is harmless";
}

TEST_F(WidgetHostTest, EachInstanceKeepsItsOwnController) {
  post("/api/instances/a/open", "");
  post("/api/instances/b/open", "");
  call("a", {{"call", "setTemperatureUnitIndex"}, {"args", {1}}});
  EXPECT_EQ(nlohmann::json::parse(call("a", {{"call", "preferredTemperatureUnitIndex"}})->body)["result"], 1);
  EXPECT_EQ(nlohmann::json::parse(call("b", {{"call", "preferredTemperatureUnitIndex"}})->body)["result"], 0);
}

TEST_F(WidgetHostTest, RefusedCallsAnswerWithAnErrorAndTheHostGoesOn) {
  post("/api/instances/a/open", "");
  auto refused = call("a", {{"call", "dealloc"}});
  EXPECT_EQ(refused->status, 400);
  EXPECT_TRUE(nlohmann::json::parse(refused->body).contains("error"));
  EXPECT_EQ(post("/api/instances/a/call", "{not json")->status, 400);
  EXPECT_EQ(call("a", {{"call", "numberOfAvailableSensors"}})->status, 200);
}

TEST_F(WidgetHostTest, ACallMustBeDeclaredAsJson) {
  post("/api/instances/a/open", "");
  auto plain = client_.Post("/api/instances/a/call", {{"Origin", host_.origin()}},
                            R"({"call": "numberOfAvailableSensors"})", "text/plain");
  EXPECT_EQ(plain->status, 415);
  auto withCharset = client_.Post("/api/instances/a/call", {{"Origin", host_.origin()}},
                                  R"({"call": "numberOfAvailableSensors"})", "application/json; charset=utf-8");
  EXPECT_EQ(withCharset->status, 200);
}

TEST_F(WidgetHostTest, ForeignHostOrOriginIsForbiddenEvenForTheFiles) {
  EXPECT_EQ(client_.Get("/", {{"Host", "evil.example:" + std::to_string(host_.port())}})->status, 403);
  EXPECT_EQ(client_.Get("/", {{"Origin", "http://evil.example"}})->status, 403);
  auto opened = client_.Post("/api/instances/a/open", {{"Origin", "http://evil.example"}}, "", "application/json");
  EXPECT_EQ(opened->status, 403);
  EXPECT_EQ(host_.host().instances().size(), 0u) << "a forbidden request must not create an instance";
  EXPECT_EQ(client_.Get("/", {{"Host", "localhost:" + std::to_string(host_.port())}})->status, 200);
  EXPECT_EQ(client_.Get("/")->status, 200) << "a request without Origin is the page loading itself";
}

TEST_F(WidgetHostTest, InstanceIdentifiersAreShortPlainWords) {
  EXPECT_EQ(post("/api/instances/" + std::string(65, 'a') + "/open", "")->status, 404);
  EXPECT_EQ(post("/api/instances/a.b/open", "")->status, 404);
  EXPECT_EQ(post("/api/instances/" + std::string(64, 'a') + "/open", "")->status, 200);
}

TEST_F(WidgetHostTest, FilesAreServedWithTheirTypes) {
  auto page = client_.Get("/");
  EXPECT_EQ(page->status, 200);
  EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
  EXPECT_EQ(client_.Get("/Images/TFan.png")->get_header_value("Content-Type"), "image/png");
}

TEST_F(WidgetHostTest, ARequestLineThatIsNotHttpIsRefusedAndTheHostGoesOn) {
  // The library keeps such a connection open until its keep-alive time runs out; the answer
  // comes first.
  test::RawResponse answer = test::sendRawRequest(host_.port(), "\x16\x03\x01\x02garbage\r\n\r\n");
  EXPECT_EQ(answer.status, 400);
  EXPECT_EQ(client_.Get("/")->status, 200);
}

WidgetHostOptions onLoopbackPort(int port) {
  WidgetHostOptions options;
  options.port = port;
  return options;
}

TEST(WidgetHostLifecycle, StopEndsServingEvenWhenItComesFirst) {
  WidgetHost host(fakeController, onLoopbackPort(0));
  ASSERT_GT(host.bind(), 0);
  host.stop();
  EXPECT_TRUE(host.serve());
}

TEST(WidgetHostLifecycle, ABusyPortIsReportedNotServed) {
  RunningWidgetHost first(fakeController);
  WidgetHost second(fakeController, onLoopbackPort(first.port()));
  EXPECT_EQ(second.bind(), -1);
  EXPECT_FALSE(second.serve());
}

}  // namespace
}  // namespace sw::host
