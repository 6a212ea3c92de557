// `sensorwidget script`: the script names over JSON lines, and the settings the calls store
// surviving from one run to the next.
#include <gtest/gtest.h>

#include "SensorWidgetProcess.h"

namespace sw::e2e {
namespace {

using nlohmann::json;

class ScriptCommand : public SensorWidgetProcess {
 protected:
  std::vector<json> positionsOf(const char* widget) {
    return results({call("setWidgetIdentifier", {widget}), call("preferredSensorIndexAtDisplayIndex", {0}),
                    call("preferredSensorIndexAtDisplayIndex", {1}), call("preferredTemperatureUnitIndex")});
  }
};

TEST_F(ScriptCommand, AWidgetSessionAsThePageRunsIt) {
  const auto answers = results({
      call("setWidgetIdentifier", {"w1"}), call("setMaximumSensorNameWidth", {40}), call("numberOfAvailableSensors"),
      call("localizedSensorNameAtDisplayIndex", {0}), call("localizedReadingAtDisplayIndex", {1}),
      call("relativePathForTypeIconAtDisplayIndex", {1}), call("localizedDifferentiatingSensorNameAtIndex", {3}),
      call("localizedStatusMessage"), call("localizedVersionMessage"), call("preferredSensorIndexAtDisplayIndex", {1}),
      call("preferredTemperatureUnitIndex"), call("bundleIdentifierForMasterApplication"),
      call("localizedURLForMasterApplication"), call("localizedStringForElementWithName", {"Done"}),
      call("logDebugString", {"from the page"}),
  });
  const std::vector<json> expected = {
      nullptr, nullptr, 4, answers[3], "     45°C", "Images/TTemp.png", "[RPM] Fan 0", "", "Version: 1.0.0", 1, 0,
      "org.sensorwidget.SensorMonitor", "https://sensorwidget.org/monitor/", "Done", nullptr};
  EXPECT_EQ(answers, expected);
  // The real font decides where "Ambient Air" is cut to fit 40 points.
  const std::string pruned = answers[3].get<std::string>();
  EXPECT_LT(pruned.size(), std::string("Ambient Air").size());
  EXPECT_TRUE(pruned.starts_with("Am") && pruned.ends_with("…")) << pruned;
}

TEST_F(ScriptCommand, SettingsSurviveARestartAndTwoInstancesShareOnlyTheScale) {
  results({call("setWidgetIdentifier", {"w1"}), call("setPreferredSensorIndexForDisplayIndex", {3, 0}),
           call("setTemperatureUnitIndex", {1})});
  EXPECT_EQ(results({call("setWidgetIdentifier", {"w1"}), call("localizedReadingAtDisplayIndex", {1})})[1], "    113°F");
  EXPECT_EQ(positionsOf("w1"), (std::vector<json>{nullptr, 3, 1, 1}));
  results({call("setWidgetIdentifier", {"w2"}), call("setPreferredSensorIndexForDisplayIndex", {2, 1}),
           call("setTemperatureUnitIndex", {2})});
  EXPECT_EQ(positionsOf("w2"), (std::vector<json>{nullptr, 0, 2, 2}));
  EXPECT_EQ(positionsOf("w1"), (std::vector<json>{nullptr, 3, 1, 2}));
}

TEST_F(ScriptCommand, OlderIndexFormIsReadAndReplacedOnTheNextWrite) {
  writePropertyList(pluginDomainFile(), Value(Dictionary{{kTestSerialNumber, Value(Dictionary{
      {"w1:SensorIndexForDisplayPosition1", Value::integer(2)}, {"w1:Other", Value("kept")}})}}));
  EXPECT_EQ(positionsOf("w1"), (std::vector<json>{nullptr, 2, -1, 0})) << "one stored position: no defaults";
  EXPECT_NE(work_.read(pluginDomainFile()).find("SensorIndexForDisplayPosition1"), std::string::npos)
      << "reading alone must not rewrite the settings";
  results({call("setWidgetIdentifier", {"w1"}), call("setTemperatureUnitIndex", {0})});
  const std::string stored = work_.read(pluginDomainFile());
  EXPECT_EQ(stored.find("SensorIndexForDisplayPosition1"), std::string::npos) << stored;
  EXPECT_NE(stored.find("smc.voltage.DE3"), std::string::npos) << stored;
  EXPECT_NE(stored.find("w1:Other"), std::string::npos) << stored;
}

TEST_F(ScriptCommand, ACorruptSettingsFileIsKeptAsideAndTheWidgetStartsFresh) {
  const std::string garbage = "<?xml this is not a property list";
  work_.write(pluginDomainFile(), garbage);
  EXPECT_EQ(positionsOf("w1"), (std::vector<json>{nullptr, 0, 1, 0}));
  EXPECT_EQ(work_.read(pluginDomainFile().string() + ".corrupt"), garbage);
  EXPECT_NE(work_.read(pluginDomainFile()).find("w1:SensorIDForDisplayPosition1"), std::string::npos);
}

TEST_F(ScriptCommand, OutOfRangeArgumentsAreIgnoredOrAnsweredEmpty) {
  const auto answers = results({
      call("setWidgetIdentifier", {"w1"}), call("setPreferredSensorIndexForDisplayIndex", {4, 0}),
      call("setPreferredSensorIndexForDisplayIndex", {-2, 0}), call("setPreferredSensorIndexForDisplayIndex", {0, 2}),
      call("setPreferredSensorIndexForDisplayIndex", {1e300, 0}),
      call("setPreferredSensorIndexForDisplayIndex", {-4294967296.0, 1}), call("setTemperatureUnitIndex", {3}),
      call("preferredSensorIndexAtDisplayIndex", {0}), call("preferredSensorIndexAtDisplayIndex", {1}),
      call("preferredSensorIndexAtDisplayIndex", {-1}), call("preferredTemperatureUnitIndex"),
      call("localizedReadingAtDisplayIndex", {7}), call("localizedSensorNameAtDisplayIndex", {-1}),
      call("relativePathForTypeIconAtDisplayIndex", {2147483648.0}),
      call("localizedDifferentiatingSensorNameAtIndex", {4}), call("setMaximumSensorNameWidth", {1e300}),
      call("localizedSensorNameAtDisplayIndex", {0}),
  });
  const std::vector<json> expected = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 1, -1, 0,
                                      "",      "",      "Images/TNull.png", "", nullptr, "Ambient Air"};
  EXPECT_EQ(answers, expected);
}

TEST_F(ScriptCommand, UnsupportedModelAnswersWithNoSensors) {
  const auto answers = results({call("setWidgetIdentifier", {"w1"}), call("numberOfAvailableSensors"),
                                call("localizedStatusMessage"), call("localizedReadingAtDisplayIndex", {0})},
                               "MacBookPro99,1");
  EXPECT_EQ(answers, (std::vector<json>{nullptr, 0, "Unsupported machine", ""}));
  EXPECT_FALSE(std::filesystem::exists(pluginDomainFile())) << "nothing to store without sensors";
}

TEST_F(ScriptCommand, EveryBadLineGetsOneErrorAndTheRestStillRuns) {
  const ProcessResult result = run({"script", "--profile", testProfile()},
                                   "not json\n[1, 2]\n{\"args\": []}\n{\"call\": 5}\n{\"call\": \"readPreferences\"}\n"
                                   "{\"call\": \"setPreferredSensorIndex:forDisplayIndex:\", \"args\": [0, 0]}\n"
                                   "{\"call\": \"noSuchOperation\"}\n"
                                   "{\"call\": \"numberOfAvailableSensors\", \"args\": [1]}\n"
                                   "{\"call\": \"localizedReadingAtDisplayIndex\", \"args\": [\"0\"]}\n"
                                   "{\"call\": \"setWidgetIdentifier\", \"args\": [null]}\n"
                                   "{\"call\": \"setTemperatureUnitIndex\", \"args\": [true]}\n"
                                   "{\"call\": \"setPreferredSensorIndexForDisplayIndex\", \"args\": {\"0\": 1}}\n"
                                   "\n{\"call\": \"numberOfAvailableSensors\"}\n");
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  const auto answers = result.jsonLines();
  ASSERT_EQ(answers.size(), 13u) << result.standardOutput;
  for (std::size_t line = 0; line + 1 < answers.size(); ++line) {
    EXPECT_TRUE(answers[line].size() == 1 && answers[line].contains("error") && answers[line]["error"].is_string()) << answers[line];
  }
  EXPECT_EQ(answers.back(), (json{{"result", 4}}));
}

}  // namespace
}  // namespace sw::e2e
