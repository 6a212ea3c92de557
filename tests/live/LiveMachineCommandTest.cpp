// The recorded machines of real Macs through `--profile live`: the same sensors as their
// built-in profiles, a recording that replays them, and the OpenMetrics text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "LiveTreeTest.h"
#include "e2e/SensorWidgetProcess.h"

namespace sw::live {
namespace {

const char* const kRecordedModels[] = {"MacBookPro5,5", "MacBookPro8,1", "MacBookAir5,2", "iMac13,2"};

class LiveMachineCommand : public e2e::SensorWidgetProcess {
 protected:
  nlohmann::json list(const std::vector<std::string>& profile) {
    std::vector<std::string> arguments = {"list", "--json"};
    arguments.insert(arguments.end(), profile.begin(), profile.end());
    const e2e::ProcessResult result = run(arguments);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    return result.exitStatus == 0 ? nlohmann::json::parse(result.standardOutput) : nlohmann::json();
  }

  /// What a sensor is, and for a disk also its reading: the built-in profiles' other readings
  /// move with signals, while a disk's answers are the same bytes in both.
  static nlohmann::json identities(const nlohmann::json& list) {
    nlohmann::json sensors = nlohmann::json::array();
    for (const auto& sensor : list.value("sensors", nlohmann::json::array())) {
      // The kernel tells no battery's cell voltages: those sensors of the built-in profiles are not compared.
      const std::string identifier = sensor["uniqueIdentifier"];
      if (identifier.find("-cell") != std::string::npos) continue;
      sensors.push_back({sensor["uniqueIdentifier"], sensor["locationIdentifier"], sensor["name"],
                         sensor["menuEntry"], sensor["quantityType"], sensor["icon"],
                         identifier.starts_with("smart.") ? sensor["reading"] : nlohmann::json()});
    }
    return {list.value("model", ""), list.value("status", ""), sensors};
  }
};

TEST_F(LiveMachineCommand, RecordedMachinesShowTheSensorsOfTheirBuiltInProfiles) {
  // The switch a MacBookPro5,5's user sets for its clock reading (its profile carries it).
  writePropertyList(defaultsDirectory() / ".GlobalPreferences.plist",
                    Value(Dictionary{{"EnableFrequencyReadingsForCPU10670", Value::boolean(true)}}));
  for (const char* model : kRecordedModels) {
    const auto tree = test::recordedMachine(model);
    if (tree.empty()) GTEST_SKIP() << "the recorded machines were not made (no Python at build time)";
    const nlohmann::json live = list({"--profile", "live", "--live-root", tree.string()});
    EXPECT_EQ(identities(live), identities(list({"--profile", model}))) << model;
    EXPECT_GT(live["sensors"].size(), 10u) << model;
    const auto disks = std::count_if(live["sensors"].begin(), live["sensors"].end(), [](const nlohmann::json& sensor) {
      return sensor["uniqueIdentifier"].get<std::string>().starts_with("smart.");
    });
    EXPECT_EQ(disks, 1) << model;
  }
}

TEST_F(LiveMachineCommand, ReadingsAreDecodedFromTheRecordedBytes) {
  const auto tree = test::recordedMachine("MacBookPro8,1");
  if (tree.empty()) GTEST_SKIP() << "the recorded machines were not made";
  const nlohmann::json live = list({"--profile", "live", "--live-root", tree.string()});
  // The listing holds 0x1F45 (fpe2, 2001.25) for the exhaust fan.
  std::map<std::string, nlohmann::json> byIdentifier;
  for (const auto& sensor : live["sensors"]) byIdentifier[sensor["uniqueIdentifier"]] = sensor;
  EXPECT_EQ(byIdentifier["smc.fan.Exhaust"]["reading"], "   2001 RPM");
  EXPECT_EQ(byIdentifier["smc.temperature.DF3"]["rawValue"], 69);
}

TEST_F(LiveMachineCommand, ARecordingReplaysTheSameListAndHidesTheSerialNumber) {
  const auto tree = test::recordedMachine("MacBookAir5,2");
  if (tree.empty()) GTEST_SKIP() << "the recorded machines were not made";
  const std::vector<std::string> live = {"--profile", "live", "--live-root", tree.string()};
  const auto recording = work_.path() / "recorded.plist";
  std::vector<std::string> record = {"record", "--output", recording.string()};
  record.insert(record.end(), live.begin(), live.end());
  ASSERT_EQ(run(record).exitStatus, 0);
  EXPECT_EQ(list({"--profile", recording.string()}), list(live));
  const std::string recorded = work_.read(recording);
  EXPECT_EQ(recorded.find("C02HVABCDRV9"), std::string::npos);
  EXPECT_NE(recorded.find("C02HV000DRV9"), std::string::npos);
  EXPECT_NE(recorded.find("<key>@SMCKeys</key>"), std::string::npos);
  EXPECT_NE(recorded.find("<key>@SMART</key>"), std::string::npos);

  record.push_back("--keep-serial");
  ASSERT_EQ(run(record).exitStatus, 0);
  EXPECT_NE(work_.read(recording).find("C02HVABCDRV9"), std::string::npos);
}

TEST_F(LiveMachineCommand, ARecordingOfAProfileReplaysItsList) {
  const auto recording = work_.path() / "recorded.plist";
  ASSERT_EQ(run({"record", "--output", recording.string(), "--profile", testProfile()}).exitStatus, 0);
  EXPECT_EQ(list({"--profile", recording.string()}), list({"--profile", testProfile()}));
}

TEST_F(LiveMachineCommand, AMachineWithoutItsSourcesShowsWhatIsLeft) {
  // Not a Mac at all: no firmware model, no controller. The plug-in's own rules then speak.
  work_.write("empty/etc/os-release", "NAME=Debian\nVERSION_ID=12\n");
  const nlohmann::json bare = list({"--profile", "live", "--live-root", (work_.path() / "empty").string()});
  EXPECT_EQ(bare["model"], "");
  EXPECT_TRUE(bare["sensors"].empty());
  const e2e::ProcessResult missing = run({"list", "--profile", "live", "--live-root", (work_.path() / "nowhere").string()});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_EQ(missing.standardError, "sensorwidget: " + (work_.path() / "nowhere").string() + ": the live root is not a folder\n");
}

TEST_F(LiveMachineCommand, OpenMetricsHasOneFamilyPerQuantityAndPassesPromtool) {
  const auto tree = test::recordedMachine("MacBookPro8,1");
  if (tree.empty()) GTEST_SKIP() << "the recorded machines were not made";
  const e2e::ProcessResult result =
      run({"list", "--format", "openmetrics", "--profile", "live", "--live-root", tree.string()});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
  const std::string& text = result.standardOutput;
  EXPECT_NE(text.find("sensorwidget_machine_info{model=\"MacBookPro8,1\"} 1\n"), std::string::npos);
  EXPECT_NE(text.find("# UNIT sensorwidget_fan_speed_rpm rpm\n"), std::string::npos);
  EXPECT_NE(text.find("sensorwidget_fan_speed_rpm{location=\"SMC FAN Exhaust\",name=\"Exhaust Fan\","
                      "id=\"smc.fan.Exhaust\"} 2001\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("# EOF\n"));
  if (std::system("command -v promtool >/dev/null 2>&1") != 0) GTEST_SKIP() << "promtool is not installed";
  const auto metrics = work_.write("metrics.txt", text);
  const std::string check = "promtool check metrics < " + e2e::shellQuoted(metrics.string()) + " >" +
                            e2e::shellQuoted((work_.path() / "promtool.out").string()) + " 2>&1";
  EXPECT_EQ(std::system(check.c_str()), 0) << work_.read("promtool.out");
}

}  // namespace
}  // namespace sw::live
