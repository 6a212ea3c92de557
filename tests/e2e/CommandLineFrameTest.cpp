// The frame of the command line: exit statuses, the common options and the profile commands.
#include <gtest/gtest.h>

#include <fstream>

#include "SensorWidgetProcess.h"

namespace sw::e2e {
namespace {

class CommandLineFrame : public SensorWidgetProcess {};

TEST_F(CommandLineFrame, ProfilesListsEveryBuiltInWithItsDescription) {
  const ProcessResult result = run({"profiles"});
  EXPECT_EQ(result.exitStatus, 0) << result.standardError;
  EXPECT_NE(result.standardOutput.find("MacBookPro5,5  MacBook Pro 13-inch, Mid 2009  (default)\n"), std::string::npos)
      << result.standardOutput;
  EXPECT_NE(result.standardOutput.find("PowerMac7,3"), std::string::npos);
}

TEST_F(CommandLineFrame, IoregShowsTheDefaultMachineAndTheChosenPlane) {
  const ProcessResult services = run({"ioreg"});
  EXPECT_EQ(services.exitStatus, 0) << services.standardError;
  EXPECT_EQ(services.standardOutput.rfind("+-o Root  <class IORegistryEntry>\n  +-o MacBookPro5,5  <class IOPlatformExpertDevice>\n", 0), 0u);
  const ProcessResult deviceTree = run({"ioreg", "--plane", "IODeviceTree", "--profile", "PowerMac7,3"});
  EXPECT_EQ(deviceTree.exitStatus, 0) << deviceTree.standardError;
  EXPECT_NE(deviceTree.standardOutput.find("+-o boot-rom@fff00000  <class IOService>"), std::string::npos);
}

TEST_F(CommandLineFrame, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {}, {"nonsense"}, {"profiles", "--no-such-option"}, {"ioreg", "--plane", "IOPower"}}) {
    const ProcessResult result = run(arguments);
    EXPECT_EQ(result.exitStatus, 2) << (arguments.empty() ? "(none)" : arguments[0]);
  }
}

TEST_F(CommandLineFrame, AnUnusableProfileExitsWithOneAndOneLine) {
  const auto notAPlist = workDirectory_ / "notes.plist";
  std::ofstream(notAPlist) << "just text";
  const ProcessResult garbage = run({"ioreg", "--profile", notAPlist.string()});
  EXPECT_EQ(garbage.exitStatus, 1);
  EXPECT_EQ(garbage.standardError,
            "sensorwidget: " + notAPlist.string() + ": the file is no property list (neither XML nor binary)\n");
  const ProcessResult unknown = run({"ioreg", "--profile", "Lisa2"});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_EQ(unknown.standardError, "sensorwidget: Lisa2: is neither a built-in profile name nor a profile file\n");
  EXPECT_TRUE(unknown.standardOutput.empty());
}

TEST_F(CommandLineFrame, ADefaultsDirectoryThatIsAFileExitsWithOne) {
  std::filesystem::remove(defaultsDirectory());
  std::ofstream(defaultsDirectory()) << "occupied";  // the harness names this path with --defaults-dir
  const ProcessResult result = run({"ioreg"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.standardError,
            "sensorwidget: " + defaultsDirectory().string() + ": the defaults directory is not a directory\n");
}

}  // namespace
}  // namespace sw::e2e
