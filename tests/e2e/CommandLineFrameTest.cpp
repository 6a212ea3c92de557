// The frame of the command line: exit statuses, the messages of refused input and the profile
// commands.
#include <gtest/gtest.h>

#include "SensorWidgetProcess.h"

namespace sw::e2e {
namespace {

class CommandLineFrame : public SensorWidgetProcess {};

TEST_F(CommandLineFrame, ProfilesAndIoregShowTheBuiltInMachines) {
  const ProcessResult profiles = run({"profiles"});
  EXPECT_EQ(profiles.exitStatus, 0) << profiles.standardError;
  EXPECT_NE(profiles.standardOutput.find("MacBookPro5,5  MacBook Pro 13-inch, Mid 2009  (default)\n"), std::string::npos);
  const ProcessResult deviceTree = run({"ioreg", "--plane", "IODeviceTree", "--profile", "PowerMac7,3"});
  EXPECT_NE(deviceTree.standardOutput.find("+-o boot-rom@fff00000  <class IOService>"), std::string::npos);
}

TEST_F(CommandLineFrame, RefusedInputExitsWithTwoForUsageAndOneWithOneLineOtherwise) {
  const auto notAPlist = work_.write("notes.plist", "just text");
  struct Case {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string message;  // of a refusal with 1; a usage error prints the usage text
  };
  const Case cases[] = {
      {{}, 2, ""},
      {{"nonsense"}, 2, ""},
      {{"profiles", "--no-such-option"}, 2, ""},
      {{"ioreg", "--plane", "IOPower"}, 2, ""},
      {{"list", "--scale", "rankine"}, 2, ""},
      {{"ioreg", "--profile", notAPlist.string()}, 1,
       notAPlist.string() + ": the file is no property list (neither XML nor binary)"},
      {{"ioreg", "--profile", "Lisa2"}, 1, "Lisa2: is neither a built-in profile name nor a profile file"},
  };
  for (const auto& c : cases) {
    const ProcessResult result = run(c.arguments);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << (c.arguments.empty() ? "(none)" : c.arguments.back());
    if (c.exitStatus == 1) {
      EXPECT_EQ(result.standardError, "sensorwidget: " + c.message + "\n");
      EXPECT_EQ(result.standardOutput, "");
    }
  }
  std::filesystem::remove(defaultsDirectory());
  work_.write("defaults", "occupied");  // the harness names this path with --defaults-dir
  const ProcessResult occupied = run({"ioreg"});
  EXPECT_EQ(occupied.exitStatus, 1);
  EXPECT_EQ(occupied.standardError,
            "sensorwidget: " + defaultsDirectory().string() + ": the defaults directory is not a directory\n");
}

}  // namespace
}  // namespace sw::e2e
