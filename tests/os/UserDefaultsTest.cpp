// User defaults files: what the user stored must survive interrupted writes and broken files.
#include <gtest/gtest.h>

#include "foundation/ProcessState.h"
#include "os/SystemLog.h"
#include "os/TemporaryDirectory.h"
#include "os/UserDefaults.h"
#include "support/ProfileBuilder.h"
#include "support/SecondPropertyListReader.h"

namespace sw::os {
namespace {

using testing::ScopedEnvironment;
using testing::TemporaryDirectory;

constexpr const char* kDomain = "org.example.widget";
constexpr const char* kDomainFile = "prefs/org.example.widget.plist";

class DefaultsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    resetProcessState();
    setDefaultsDirectory(folder.path() / "prefs");
  }
  void TearDown() override {
    test::expectOtherReaderAgreesOnEveryPlist(folder.path() / "prefs");
    resetProcessState();
  }

  TemporaryDirectory folder;
  UserDefaults& defaults = UserDefaults::standardUserDefaults();
  CapturedLog log;
};

TEST_F(DefaultsFiles, EveryValueKindSurvivesTheRoundTripThroughAnXMLFileInANewDirectory) {
  EXPECT_FALSE(defaults.persistentDomainForName(kDomain));
  Dictionary domain{
      {"Big", Value::integer(-9007199254740993)}, {"Real", Value::real(0.1)}, {"No", Value::boolean(false)},
      {"Text", Value("Lüfter \"1\" & <2>")},    {"Bytes", Value(Data{0x00, 0xFF, 0x10})}, {"When", Value(Date{789012345.0})},
      {"W87123ABC", Value(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("smc.temperature.DF3")},
                                     {"List", Value(Array{Value::integer(1), Value(Array{})})}})},
  };
  ASSERT_TRUE(defaults.setPersistentDomainForName(domain, kDomain));
  EXPECT_EQ(defaults.persistentDomainForName(kDomain), domain);
  EXPECT_TRUE(folder.read(kDomainFile).starts_with("<?xml"));
  EXPECT_TRUE(log.messages().empty());
}

TEST_F(DefaultsFiles, AnInterruptedWriteLeavesThePreviousFileWhole) {
  Dictionary before{{"IndexOfTemperatureUnit", Value::integer(1)}};
  ASSERT_TRUE(defaults.setPersistentDomainForName(before, kDomain));
  const std::string previousBytes = folder.read(kDomainFile);
  std::filesystem::path seenTemporary;
  setDefaultsWriteInterruptionForTesting([&](const std::filesystem::path& temporary) {
    seenTemporary = temporary;
    EXPECT_EQ(temporary.parent_path(), folder.path() / "prefs");  // renames stay on one file system
    EXPECT_NE(folder.read(temporary).find("<integer>2</integer>"), std::string::npos);
    return false;
  });
  EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{{"IndexOfTemperatureUnit", Value::integer(2)}}, kDomain));
  setDefaultsWriteInterruptionForTesting(nullptr);

  EXPECT_FALSE(seenTemporary.empty());
  EXPECT_EQ(folder.read(kDomainFile), previousBytes);
  EXPECT_EQ(defaults.persistentDomainForName(kDomain), before);
  for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "prefs")) {
    EXPECT_TRUE(entry.path().filename() == "org.example.widget.plist" || entry.path().filename() == "org.example.widget.plist.lock")
        << "no temporary left: " << entry.path();
  }
  EXPECT_EQ(log.messages().size(), 1u);
}

TEST_F(DefaultsFiles, AFileThatCannotBeReadAsADomainIsKeptAsideNeverOverwritten) {
  const char* broken[] = {"<?xml version=\"1.0\"?><plist><dict><key>x</key>", "second",
                          "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>"};
  const char* asides[] = {".corrupt", ".corrupt.1", ".corrupt.2"};
  for (int i = 0; i < 3; ++i) {
    folder.write(kDomainFile, broken[i]);
    EXPECT_FALSE(defaults.persistentDomainForName(kDomain)) << broken[i];
    EXPECT_FALSE(std::filesystem::exists(folder.path() / kDomainFile)) << broken[i];
    ASSERT_EQ(log.messages().size(), i + 1u);
    EXPECT_NE(log.messages()[i].find(asides[i]), std::string::npos) << log.messages()[i];
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(folder.read(std::string(kDomainFile) + asides[i]), broken[i]);
}

TEST_F(DefaultsFiles, WritesOutsideTheDirectoryOrIntoAnUnusableOneAreRefused) {
  for (const char* name : {"", ".", "..", "../escape", "a/b"}) {
    EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{}, name)) << name;
    EXPECT_FALSE(defaults.persistentDomainForName(name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "escape.plist"));
  folder.write("blocker", "a file where the directory should be");
  setDefaultsDirectory(folder.path() / "blocker" / "prefs");
  const std::size_t messagesBefore = log.messages().size();
  EXPECT_FALSE(defaults.setPersistentDomainForName(Dictionary{}, kDomain));
  EXPECT_EQ(log.messages().size(), messagesBefore + 1) << "the failed write says so";
}

TEST_F(DefaultsFiles, TheUsersGlobalDomainOverlaysTheMachinesDefaults) {
  setCurrentMachine(test::ProfileBuilder()
                        .defaults("DebugSMARTAccess", Value::boolean(true))
                        .defaults("EnforceGPUSupport", Value::integer(0))
                        .buildMachine());
  ASSERT_TRUE(defaults.setPersistentDomainForName(
      Dictionary{{"EnforceGPUSupport", Value::integer(1)}, {"TraceSMARTTemperatures", Value("YES")}}, ".GlobalPreferences"));
  EXPECT_EQ(defaults.objectForKey("DebugSMARTAccess"), Value::boolean(true));
  EXPECT_EQ(defaults.objectForKey("EnforceGPUSupport"), Value::integer(1));
  EXPECT_EQ(defaults.objectForKey("TraceSMARTTemperatures"), Value("YES"));
  EXPECT_FALSE(defaults.objectForKey("EnableCoreTempReadingsForXeon10670"));
}

TEST(DefaultsLocation, TheDirectoryFollowsTheXDGRulesUnlessSet) {
  resetProcessState();
  ScopedEnvironment home("HOME", "/home/someone");
  for (auto [config, expected] : {std::pair<const char*, const char*>{"/tmp/config", "/tmp/config/sensorwidget"},
                                  {"relative/config", "/home/someone/.config/sensorwidget"},
                                  {nullptr, "/home/someone/.config/sensorwidget"}}) {
    ScopedEnvironment configHome("XDG_CONFIG_HOME", config);
    EXPECT_EQ(defaultsDirectory(), expected) << (config ? config : "(unset)");
  }
  setDefaultsDirectory("/srv/prefs");
  EXPECT_EQ(defaultsDirectory(), "/srv/prefs");
  resetProcessState();
}

}  // namespace
}  // namespace sw::os
