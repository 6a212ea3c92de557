// --disk-saver on the commands that read sensors: with the user idle beyond it, a disk shows no
// reading; and `info` lists the disks.
#include <gtest/gtest.h>

#include "SensorWidgetProcess.h"
#include "smart/SMARTTestMachine.h"

namespace sw::e2e {
namespace {

class DiskSaver : public SensorWidgetProcess {
 protected:
  /// A machine with one disk at 38 degrees and a user idle for 700 seconds.
  std::string diskProfile() {
    test::ProfileBuilder profile;
    test::addDisk(profile, test::DiskDescription{});
    test::addHIDSystem(profile, test::idleSeconds(700));
    const auto path = work_.path() / "disk.plist";
    writePropertyList(path, profile.model("MacBookPro5,5").build());
    return path.string();
  }
  std::string diskReading(std::vector<std::string> options) {
    std::vector<std::string> arguments = {"list", "--json", "--profile", diskProfile()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ProcessResult result = run(arguments);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    const auto list = nlohmann::json::parse(result.standardOutput, nullptr, false);
    for (const auto& sensor : list.value("sensors", nlohmann::json::array())) {
      if (sensor["uniqueIdentifier"] == "smart.Hitachi HTS545025B9SA02.091022PBN40017DSMTHE") return sensor["reading"];
    }
    return "(no disk sensor)";
  }
};

TEST_F(DiskSaver, AnIdleUserBeyondTheIntervalLeavesTheDiskAlone) {
  EXPECT_EQ(diskReading({}), "     38°C") << "off by default";
  EXPECT_EQ(diskReading({"--disk-saver", "701"}), "     38°C");
  EXPECT_EQ(diskReading({"--disk-saver", "600"}), "---");
  const ProcessResult script = run({"script", "--disk-saver", "600", "--profile", diskProfile()},
                                   call("numberOfAvailableSensors").dump() + "\n");
  EXPECT_EQ(script.standardOutput, "{\"result\":1}\n") << script.standardError;
  EXPECT_EQ(run({"list", "--disk-saver", "-5", "--profile", diskProfile()}).exitStatus, 2);
}

TEST_F(DiskSaver, InfoListsEveryDiskWithItsFacts) {
  const ProcessResult result = run({"info", "--profile", diskProfile()});
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_NE(result.standardOutput.find("Disk: Hitachi HTS545025B9SA02, serial 091022PBN40017DSMTHE, firmware FW01, SATA, "
                                       "S.M.A.R.T. status verified\n"),
            std::string::npos)
      << result.standardOutput;
}

}  // namespace
}  // namespace sw::e2e
