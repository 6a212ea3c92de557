// The widget host over HTTP on loopback: the instance protocol, the DNS-rebinding defence and
// the page's files, with a stand-in for the plug-in. Hostile requests: MalformedRequestTest.
#include <gtest/gtest.h>

#include <string>

#include "host/RunningWidgetHost.h"

namespace sw::host {
namespace {

using test::RunningWidgetHost;

// Answers like the dispatcher: one operation, refused with arguments.
WidgetInstanceTable::ScriptCall fakeController() {
  return [](std::string_view name, const nlohmann::json& args) -> nlohmann::json {
    if (name == "numberOfAvailableSensors" && args.empty()) return {{"result", 2}};
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

TEST(WidgetHostLifecycle, StopEndsServingEvenWhenItComesFirstAndABusyPortIsNotServed) {
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
