// User defaults files: what the user stored must survive interrupted writes and broken files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/ProcessState.h"
#include "os/SystemLog.h"
#include "os/TemporaryDirectory.h"
#include "os/UserDefaults.h"
#include "sim/SimulatedMachine.h"

namespace sw::os {
namespace {

using testing::ScopedEnvironment;
using testing::TemporaryDirectory;

std::string fileText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::vector<std::string> fileNames(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class DefaultsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    resetProcessState();
    setDefaultsDirectory(folder.path() / "prefs");
  }
  void TearDown() override { resetProcessState(); }

  std::filesystem::path domainFile(const std::string& name) const { return folder.path() / "prefs" / (name + ".plist"); }

  TemporaryDirectory folder;
  UserDefaults& defaults = UserDefaults::standardUserDefaults();
  CapturedLog log;
};

TEST_F(DefaultsFiles, EveryValueKindSurvivesTheRoundTripThroughAnXMLFile) {
  Dictionary domain{
      {"IndexOfTemperatureUnit", Value::integer(2)},
      {"Big", Value::integer(-9007199254740993)},
      {"Real", Value::real(0.1)},
      {"Yes", Value::boolean(true)},
      {"No", Value::boolean(false)},
      {"Text", Value("Lüfter \"1\" & <2>")},
      {"Empty", Value("")},
      {"Bytes", Value(Data{0x00, 0xFF, 0x10})},
      {"When", Value(Date{789012345.0})},
      {"W87123ABC", Value(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("smc.temperature.DF3")},
                                     {"List", Value(Array{Value::integer(1), Value(Array{})})}})},
  };
  ASSERT_TRUE(defaults.setPersistentDomainForName(domain, "org.example.widget"));
  EXPECT_EQ(defaults.persistentDomainForName("org.example.widget"), domain);
  EXPECT_TRUE(fileText(domainFile("org.example.widget")).starts_with("<?xml"));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(DefaultsFiles, AMissingDirectoryIsCreatedAndAMissingDomainIsSilentlyAbsent) {
  EXPECT_FALSE(defaults.persistentDomainForName("org.example.widget"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "prefs"));
  EXPECT_TRUE(defaults.setPersistentDomainForName(Dictionary{{"k", Value("v")}}, "org.example.widget"));
  EXPECT_TRUE(std::filesystem::exists(domainFile("org.example.widget")));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(DefaultsFiles, AnInterruptedWriteLeavesThePreviousFileWhole) {
  Dictionary before{{"IndexOfTemperatureUnit", Value::integer(1)}};
  ASSERT_TRUE(defaults.setPersistentDomainForName(before, "org.example.widget"));
  std::string previousBytes = fileText(domainFile("org.example.widget"));

  std::filesystem::path seenTemporary;
  setDefaultsWriteInterruptionForTesting([&](const std::filesystem::path& temporary) {
    seenTemporary = temporary;
    EXPECT_EQ(temporary.parent_path(), folder.path() / "prefs");  // renames stay on one file system
    EXPECT_TRUE(fileText(temporary).find("<integer>2</integer>") != std::string::npos);
    return false;
  });
  EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{{"IndexOfTemperatureUnit", Value::integer(2)}},
                                                   "org.example.widget"));
  setDefaultsWriteInterruptionForTesting(nullptr);

  EXPECT_FALSE(seenTemporary.empty());
  EXPECT_EQ(fileText(domainFile("org.example.widget")), previousBytes);
  EXPECT_EQ(defaults.persistentDomainForName("org.example.widget"), before);
  EXPECT_EQ(fileNames(folder.path() / "prefs"), std::vector<std::string>{"org.example.widget.plist"});
  EXPECT_EQ(log.messages().size(), 1u);
}

TEST_F(DefaultsFiles, AWriteIntoAnUnusableDirectoryFailsAndSaysSo) {
  folder.write("blocker", "a file where the directory should be");
  setDefaultsDirectory(folder.path() / "blocker" / "prefs");
  EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{}, "org.example.widget"));
  EXPECT_EQ(log.messages().size(), 1u);
}

TEST_F(DefaultsFiles, AFileThatCannotBeParsedIsKeptAsideNeverOverwritten) {
  folder.write("prefs/org.example.widget.plist", "<?xml version=\"1.0\"?><plist><dict><key>x</key>");
  EXPECT_FALSE(defaults.persistentDomainForName("org.example.widget"));
  EXPECT_EQ(fileText(domainFile("org.example.widget").string() + ".corrupt"),
            "<?xml version=\"1.0\"?><plist><dict><key>x</key>");
  EXPECT_FALSE(std::filesystem::exists(domainFile("org.example.widget")));
  ASSERT_EQ(log.messages().size(), 1u);
  EXPECT_NE(log.messages()[0].find(".corrupt"), std::string::npos) << log.messages()[0];

  // A second broken file does not replace the first one set aside.
  folder.write("prefs/org.example.widget.plist", "second");
  EXPECT_FALSE(defaults.persistentDomainForName("org.example.widget"));
  EXPECT_EQ(fileText(domainFile("org.example.widget").string() + ".corrupt"),
            "<?xml version=\"1.0\"?><plist><dict><key>x</key>");
  EXPECT_EQ(fileText(domainFile("org.example.widget").string() + ".corrupt.1"), "second");
}

TEST_F(DefaultsFiles, AWellFormedListThatIsNoDictionaryIsAlsoKeptAside) {
  folder.write("prefs/org.example.widget.plist",
               "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>");
  EXPECT_FALSE(defaults.persistentDomainForName("org.example.widget"));
  EXPECT_TRUE(std::filesystem::exists(domainFile("org.example.widget").string() + ".corrupt"));
}

TEST_F(DefaultsFiles, DomainNamesThatWouldLeaveTheDirectoryAreRefused) {
  for (const char* name : {"", ".", "..", "../escape", "a/b"}) {
    EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{}, name)) << name;
    EXPECT_FALSE(defaults.persistentDomainForName(name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "escape.plist"));
}

TEST_F(DefaultsFiles, RemovingADomainDeletesItsFile) {
  ASSERT_TRUE(defaults.setPersistentDomainForName(Dictionary{{"k", Value("v")}}, "org.example.widget"));
  EXPECT_TRUE(defaults.removePersistentDomainForName("org.example.widget"));
  EXPECT_FALSE(defaults.persistentDomainForName("org.example.widget"));
  EXPECT_TRUE(defaults.removePersistentDomainForName("org.example.widget"));
}

TEST_F(DefaultsFiles, TheUsersGlobalDomainOverlaysTheMachinesDefaults) {
  Value profile(Dictionary{{"Defaults", Value(Dictionary{{"DebugSMARTAccess", Value::boolean(true)},
                                                         {"EnforceGPUSupport", Value::integer(0)}})}});
  auto loaded = sim::SimulatedMachine::load(profile, "defaults test");
  ASSERT_TRUE(std::holds_alternative<std::shared_ptr<sim::SimulatedMachine>>(loaded)) << std::get<std::string>(loaded);
  setCurrentMachine(std::get<std::shared_ptr<sim::SimulatedMachine>>(loaded));

  ASSERT_TRUE(defaults.setPersistentDomainForName(Dictionary{{"EnforceGPUSupport", Value::integer(1)},
                                                             {"TraceSMARTTemperatures", Value("YES")}},
                                                  ".GlobalPreferences"));
  EXPECT_EQ(defaults.objectForKey("DebugSMARTAccess"), Value::boolean(true));
  EXPECT_EQ(defaults.objectForKey("EnforceGPUSupport"), Value::integer(1));
  EXPECT_EQ(defaults.objectForKey("TraceSMARTTemperatures"), Value("YES"));
  EXPECT_FALSE(defaults.objectForKey("EnableCoreTempReadingsForXeon10670"));
}

class DefaultsLocation : public ::testing::Test {
 protected:
  void SetUp() override { resetProcessState(); }
  void TearDown() override { resetProcessState(); }
};

TEST_F(DefaultsLocation, TheDirectoryFollowsTheXDGRulesUnlessSet) {
  ScopedEnvironment home("HOME", "/home/someone");
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", "/tmp/config");
    EXPECT_EQ(defaultsDirectory(), "/tmp/config/sensorwidget");
  }
  {
    ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(defaultsDirectory(), "/home/someone/.config/sensorwidget");
  }
  ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(defaultsDirectory(), "/home/someone/.config/sensorwidget");
  setDefaultsDirectory("/srv/prefs");
  EXPECT_EQ(defaultsDirectory(), "/srv/prefs");
}

}  // namespace
}  // namespace sw::os
