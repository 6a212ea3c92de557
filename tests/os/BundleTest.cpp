// Bundles: which language folder answers, what falls back to what, and what is read only once.
#include <gtest/gtest.h>

#include "foundation/EmbeddedFiles.h"
#include "foundation/ProcessState.h"
#include "os/Bundle.h"
#include "os/Locale.h"
#include "os/SystemLog.h"
#include "os/TemporaryDirectory.h"

namespace sw::os {
namespace {

using testing::ScopedEnvironment;
using testing::TemporaryDirectory;

constexpr const char* kInfoPlist = R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>org.example.widget</string></dict></plist>)";

class BundleLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    resetProcessState();
    folder.write("Info.plist", kInfoPlist);
    folder.write("en.lproj/Localizable.strings", "\"Fan\" = \"Fan\";\n\"Only English\" = \"English text\";\n");
    folder.write("de.lproj/Localizable.strings", "\"Fan\" = \"Lüfter\";\n\"Pump\" = \"Pumpe\";\n");
    folder.write("de_DE.lproj/Localizable.strings", "\"Pump\" = \"Pumpe (DE)\";\n");
    folder.write("en.lproj/SensorLocations.strings", "\"SMC CPU A DIODE\" = \"CPU Core\";\n");
    folder.write("hddtemp.db", "top level");
    folder.write("de.lproj/hddtemp.db", "German");
    setCurrentLocale("de_DE");
  }
  void TearDown() override { resetProcessState(); }

  TemporaryDirectory folder;
};

TEST_F(BundleLookup, TheMostSpecificLanguageFolderAnswersThenTheValueThenTheKey) {
  struct Case {
    const char* key;
    const char* value;
    const char* table;
    const char* expected;
  };
  const Case cases[] = {
      {"Pump", "", "", "Pumpe (DE)"},        {"Fan", "", "Localizable", "Lüfter"},
      {"Only English", "", "", "English text"}, {"ELLIPSIS", "...", "", "..."},
      {"No such key", "", "", "No such key"},   {"SMC CPU A DIODE", "", "SensorLocations", "CPU Core"},
      {"Fan", "", "NoSuchTable", "Fan"},
  };
  Bundle bundle(folder.path().string());
  for (const auto& c : cases) EXPECT_EQ(bundle.localizedStringForKey(c.key, c.value, c.table), c.expected) << c.key;
}

TEST_F(BundleLookup, ABrokenTableIsSkippedAndReportedOnceAndTablesAreReadOnceUntilReset) {
  folder.write("de.lproj/Localizable.strings", "\"Fan\" = \"Lüfter\"\n garbage");
  Bundle bundle(folder.path().string());
  CapturedLog log;
  EXPECT_EQ(bundle.localizedStringForKey("Fan", "", ""), "Fan");
  folder.write("de.lproj/Localizable.strings", "\"Fan\" = \"Ventilator\";\n");
  EXPECT_EQ(bundle.localizedStringForKey("Fan", "", ""), "Fan");
  ASSERT_EQ(log.messages().size(), 1u);
  EXPECT_NE(log.messages()[0].find("de.lproj/Localizable.strings"), std::string::npos) << log.messages()[0];
  resetProcessState();
  setCurrentLocale("de_DE");
  EXPECT_EQ(bundle.localizedStringForKey("Fan", "", ""), "Ventilator");
}

TEST_F(BundleLookup, ResourcesComeFromTheLanguageFolderThenTheTopLevelButNeverFromOutside) {
  Bundle bundle(folder.path().string() + "/");
  EXPECT_EQ(bundle.bundleIdentifier(), "org.example.widget");
  EXPECT_EQ(bundle.resourceContents("hddtemp", "db"), "German");
  setCurrentLocale("fr_FR");
  EXPECT_EQ(bundle.resourceContents("hddtemp", "db"), "top level");
  EXPECT_FALSE(bundle.resourceContents("missing", "db"));
  TemporaryDirectory outside;
  EXPECT_FALSE(Bundle(outside.path().string()).bundleIdentifier());
  outside.write("secret.txt", "secret");
  EXPECT_FALSE(bundle.resourceContents("../" + outside.path().filename().string() + "/secret", "txt"));
  EXPECT_FALSE(bundle.resourceContents((outside.path() / "secret").string(), "txt"));
}

TEST(EmbeddedBundles, EveryEmbeddedStringTableParses) {
  for (const std::string& path : embedded::pathsUnder("resources/")) {
    if (!path.ends_with(".strings")) continue;
    EXPECT_TRUE(parseStringsFile(*embedded::file(path))) << path;
  }
  EXPECT_TRUE(Bundle::pluginBundle().bundleIdentifier());
}

TEST(CurrentLocale, TheEnvironmentIsReadInThePOSIXOrderUnlessChosenAndNamesBecomeFolders) {
  resetProcessState();
  ScopedEnvironment all("LC_ALL", nullptr);
  ScopedEnvironment messages("LC_MESSAGES", nullptr);
  ScopedEnvironment lang("LANG", "de_DE.UTF-8");
  EXPECT_EQ(currentLocale(), "de_DE");
  ScopedEnvironment messagesSet("LC_MESSAGES", "fr_FR@euro");
  EXPECT_EQ(currentLocale(), "fr_FR");
  ScopedEnvironment allSet("LC_ALL", "C");
  EXPECT_EQ(currentLocale(), "en");
  setCurrentLocale("en_US");
  EXPECT_EQ(currentLocale(), "en_US");
  resetProcessState();
  EXPECT_EQ(currentLocale(), "en");
  EXPECT_EQ(localeIdentifierFromPOSIXName("de-DE"), "de_DE");
  EXPECT_EQ(localeIdentifierFromPOSIXName("POSIX"), "en");
  EXPECT_EQ(localeIdentifierFromPOSIXName("../../etc"), "en");
  EXPECT_EQ(localizationsForLocale("de_DE"), (std::vector<std::string>{"de_DE", "de", "en"}));
  EXPECT_EQ(localizationsForLocale("en_GB"), (std::vector<std::string>{"en_GB", "en"}));
}

}  // namespace
}  // namespace sw::os
