// GET /metrics: the sensors of the machine for a scraper, read through the plug-in's one lock and
// its caches, so that scraping never costs the controller more than the widget does.
#include <gtest/gtest.h>

#include "host/OpenMetrics.h"
#include "host/RunningWidgetHost.h"
#include "sim/SMCUserClient.h"
#include "support/SimulatedMachineTest.h"

namespace sw::host {
namespace {

class MetricsRoute : public test::SimulatedMachineTest {};

TEST_F(MetricsRoute, ScrapesInTheSameSecondAskTheControllerNothingNew) {
  installBuiltIn("MacBookPro8,1");
  {
    test::RunningWidgetHost host(pluginControllerFactory());
    httplib::Client client = host.client();
    auto first = client.Get("/metrics", {{"Host", "127.0.0.1:" + std::to_string(host.port())}});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(first->get_header_value("Content-Type"), "application/openmetrics-text; version=1.0.0; charset=utf-8");
    EXPECT_NE(first->body.find("sensorwidget_machine_info{model=\"MacBookPro8,1\"} 1\n"), std::string::npos);
    EXPECT_NE(first->body.find("# TYPE sensorwidget_temperature_celsius gauge\n"), std::string::npos);
    const std::uint64_t reads = sim::SMCUserClient::lastConnectionCounts().readBytes;
    ASSERT_GT(reads, 0u);
    auto second = client.Get("/metrics", {{"Host", "127.0.0.1:" + std::to_string(host.port())}});
    ASSERT_TRUE(second);
    EXPECT_EQ(sim::SMCUserClient::lastConnectionCounts().readBytes, reads);
    // A page elsewhere may not read them either (the rebinding defence covers every route).
    EXPECT_EQ(client.Get("/metrics", {{"Host", "evil.example:80"}})->status, 403);
  }
}

TEST(OpenMetricsText, LabelValuesEscapeWhatWouldEndOrBreakTheLabel) {
  EXPECT_EQ(openMetricsLabelValue("CPU \"A\"\\B\nC"), "CPU \\\"A\\\"\\\\B\\nC");
}

}  // namespace
}  // namespace sw::host
