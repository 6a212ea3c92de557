// What the user stored must never be lost to a write: not when the file cannot be read, not to a
// killed or failing writer, not to another process writing at the same moment, and not to values
// the widget does not own or texts that only one file form can hold.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "foundation/ProcessState.h"
#include "foundation/PropertyListSerialization.h"
#include "os/SystemLog.h"
#include "os/TemporaryDirectory.h"
#include "os/UserDefaults.h"
#include "support/SecondPropertyListReader.h"

namespace sw::os {
namespace {

using testing::TemporaryDirectory;

constexpr const char* kDomain = "org.example.widget";

class DefaultsSafety : public ::testing::Test {
 protected:
  void SetUp() override { startRun(); }
  void TearDown() override {
    test::expectOtherReaderAgreesOnEveryPlist(prefs());
    resetProcessState();
  }

  // A new run of the program: nothing remembered from the last one.
  void startRun() {
    resetProcessState();
    setDefaultsDirectory(prefs());
    setDefaultsWriteFailureReporter([this](std::string_view problem) { reports.emplace_back(problem); });
  }

  std::filesystem::path prefs() const { return folder.path() / "prefs"; }
  std::filesystem::path domainFile() const { return prefs() / "org.example.widget.plist"; }
  std::string fileBytes() const { return folder.read(domainFile()); }
  void storeBytes(const Data& bytes) const { folder.write(domainFile(), std::string(bytes.begin(), bytes.end())); }

  bool write(const Dictionary& domain) { return defaults.setPersistentDomainForName(domain, kDomain); }
  bool setKey(const std::string& key, Value value) {
    return defaults.updatePersistentDomainForName(kDomain, [&](Dictionary& domain) { domain[key] = std::move(value); });
  }

  /// Files in the defaults directory other than the domain file and its lock file.
  std::vector<std::string> strayFiles() const {
    std::vector<std::string> stray;
    for (const auto& entry : std::filesystem::directory_iterator(prefs())) {
      const std::string name = entry.path().filename();
      if (name != "org.example.widget.plist" && name != "org.example.widget.plist.lock") stray.push_back(name);
    }
    return stray;
  }

  TemporaryDirectory folder;
  UserDefaults& defaults = UserDefaults::standardUserDefaults();
  std::vector<std::string> reports;
  CapturedLog log;
};

const Dictionary kStored{{"IndexOfTemperatureUnit", Value::integer(2)},
                         {"W80000000000", Value(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("smc.fan.0")}})}};

TEST_F(DefaultsSafety, ADomainThatCannotBeReadIsNeverWrittenOverWhileTheRunLasts) {
  struct Case {
    const char* what;
    int readError;  // injected; 0 for a folder in the file's place
  };
  for (const Case& unreadable : {Case{"a folder in its place", 0}, Case{"no permission", EACCES}, Case{"an I/O error", EIO}}) {
    SCOPED_TRACE(unreadable.what);
    std::filesystem::remove_all(prefs());
    startRun();
    reports.clear();
    if (unreadable.readError == 0) {
      folder.write(domainFile() / "inside", "the user's");
    } else {
      ASSERT_TRUE(write(kStored));
      setDefaultsFileFaultForTesting([&](DefaultsFileOperation operation, const std::filesystem::path&) {
        return operation == DefaultsFileOperation::Read ? unreadable.readError : 0;
      });
    }
    const std::string before = unreadable.readError ? fileBytes() : folder.read(domainFile() / "inside");

    EXPECT_FALSE(defaults.persistentDomainForName(kDomain));
    EXPECT_FALSE(setKey("IndexOfTemperatureUnit", Value::integer(0)));
    EXPECT_FALSE(write(Dictionary{}));
    setDefaultsFileFaultForTesting(nullptr);  // readable again, but this run works on defaults
    EXPECT_FALSE(setKey("IndexOfTemperatureUnit", Value::integer(0)));
    EXPECT_EQ(reports.size(), 3u) << "one line per refused write";

    if (unreadable.readError == 0) {
      EXPECT_EQ(folder.read(domainFile() / "inside"), before);
      std::filesystem::remove_all(prefs());  // the plist reader of the tear-down wants files only
      continue;
    }
    EXPECT_EQ(fileBytes(), before);
    startRun();  // the next run reads it and may write again
    EXPECT_EQ(defaults.persistentDomainForName(kDomain), kStored);
    EXPECT_TRUE(setKey("IndexOfTemperatureUnit", Value::integer(0)));
  }
}

// Bit for bit, kind for kind: an integer never turns into a real, -0.0 stays -0.0.
std::string bits(const Dictionary& domain) { return test::canonicalPropertyListText(Value(domain)); }

TEST_F(DefaultsSafety, EveryValueTheWidgetDoesNotOwnSurvivesAWriteBitForBit) {
  Array integers;
  for (std::int64_t number : {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                              std::int64_t{-1}, std::int64_t{0}, std::int64_t{9007199254740993}}) {
    integers.push_back(Value::integer(number));
  }
  Array reals;
  for (double number : {0.1, -0.0, 5e-324, 1.7976931348623157e308, -2.5, std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()}) {
    reals.push_back(Value::real(number));
  }
  Array dates;
  // Fractions before 2001: the library's getter drops their sign, -86400.25 came back as -86399.75.
  for (double seconds : {0.0, -978307200.0, 789012345.25, 1e9, -1.5, -86400.25}) dates.push_back(Value(Date{seconds}));
  Data everyByte;
  for (int byte = 0; byte < 256; ++byte) everyByte.push_back(static_cast<std::uint8_t>(byte));
  Array texts;
  for (const char* text : {"", "  spaces around  ", "Lüfter 😀", "e\u0301", "\u202Eright to left", "line\nfeed",
                           "carriage\rreturn", "tab\there", "\x01\x1f control", "\xEF\xBF\xBE", "]]> <&> &amp;"}) {
    texts.push_back(Value(text));
  }
  const Dictionary othersKeys{
      {"Integers", Value(integers)},
      {"Reals", Value(reals)},
      {"Dates", Value(dates)},
      {"Data", Value(Array{Value(Data{}), Value(everyByte)})},
      {"Texts", Value(texts)},
      {"Flags", Value(Array{Value::boolean(true), Value::boolean(false)})},
      {"key\x02with control", Value("and a\rvalue")},
      {"W80000000000", Value(Dictionary{{"Nested", Value(Array{Value(Dictionary{{"Deeper", Value(Array{Value(Array{})})}})})},
                                        {"other:Key", Value::real(1.0)}})},
  };
  storeBytes(PropertyListSerialization::dataFromPropertyList(Value(othersKeys), PropertyListSerialization::Format::Binary));

  ASSERT_TRUE(setKey("IndexOfTemperatureUnit", Value::integer(1)));
  Dictionary expected = othersKeys;
  expected["IndexOfTemperatureUnit"] = Value::integer(1);
  const auto stored = defaults.persistentDomainForName(kDomain);
  ASSERT_TRUE(stored);
  EXPECT_EQ(bits(*stored), bits(expected));
  EXPECT_TRUE(fileBytes().starts_with("bplist00")) << "XML cannot hold the control characters";
  EXPECT_TRUE(reports.empty());

  // Once those are gone the file is the readable XML form again, and what XML holds survives.
  // (XML writes -0.0 as 0.0 and dates to the second: those too keep a domain binary.)
  expected.erase("Texts");
  expected.erase("Dates");
  expected.erase("key\x02with control");
  expected["Reals"].asArray()->erase(expected["Reals"].asArray()->begin() + 1);
  expected["WholeSecond"] = Value(Date{789012345.0});
  ASSERT_TRUE(write(expected));
  EXPECT_TRUE(fileBytes().starts_with("<?xml"));
  EXPECT_EQ(bits(*defaults.persistentDomainForName(kDomain)), bits(expected));
}

TEST_F(DefaultsSafety, AnUnsignedIntegerAbove2To63SurvivesAWrite) {
  folder.write(domainFile(), R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>Counter</key><integer>18446744073709551615</integer>
<key>Half</key><integer>9223372036854775808</integer></dict></plist>)");
  ASSERT_TRUE(setKey("IndexOfTemperatureUnit", Value::integer(1)));
  EXPECT_EQ(test::canonicalTextByPlistlib(domainFile()).value_or("{s436f756e746572:i18446744073709551615,"),
            "{s436f756e746572:i18446744073709551615,s48616c66:i9223372036854775808,"
            "s496e6465784f6654656d7065726174757265556e6974:i1,}");
}

TEST_F(DefaultsSafety, NothingIsWrittenThatTheReaderWouldRefuse) {
  ASSERT_TRUE(write(kStored));
  const std::string before = fileBytes();
  EXPECT_FALSE(setKey("Huge", Value(Data(kMaximumDomainFileSize, 0x55))));
  EXPECT_EQ(fileBytes(), before);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("more than"), std::string::npos) << reports[0];
  EXPECT_EQ(defaults.persistentDomainForName(kDomain), kStored) << "the settings are still read";
}

TEST_F(DefaultsSafety, ARewriteKeepsTheFileModeAndANewFileFollowsTheUmask) {
  for (mode_t mode : {0644, 0600, 0640, 0604}) {
    ASSERT_TRUE(write(kStored));
    ASSERT_EQ(::chmod(domainFile().c_str(), mode), 0);
    ASSERT_TRUE(setKey("IndexOfTemperatureUnit", Value::integer(1)));
    struct stat status {};
    ASSERT_EQ(::stat(domainFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode) << std::oct << mode;
  }
  for (mode_t mask : {022, 077}) {
    std::filesystem::remove(domainFile());
    const mode_t previous = ::umask(mask);
    const bool written = write(kStored);
    ::umask(previous);
    ASSERT_TRUE(written);
    struct stat status {};
    ASSERT_EQ(::stat(domainFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0666 & ~mask) << std::oct << mask;
  }
}

TEST_F(DefaultsSafety, AWriteThatFailsMidRunIsReportedOnceAndLeavesTheFileAsItWas) {
  struct Case {
    DefaultsFileOperation operation;
    int error;
  };
  ASSERT_TRUE(write(kStored));
  const std::string before = fileBytes();
  for (const Case& fault : {Case{DefaultsFileOperation::Write, ENOSPC}, Case{DefaultsFileOperation::Write, EROFS},
                            Case{DefaultsFileOperation::Rename, EROFS}, Case{DefaultsFileOperation::Lock, EACCES}}) {
    SCOPED_TRACE(std::strerror(fault.error));
    reports.clear();
    setDefaultsFileFaultForTesting([&](DefaultsFileOperation operation, const std::filesystem::path&) {
      return operation == fault.operation ? fault.error : 0;
    });
    EXPECT_FALSE(setKey("IndexOfTemperatureUnit", Value::integer(0)));
    setDefaultsFileFaultForTesting(nullptr);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(std::strerror(fault.error)), std::string::npos) << reports[0];
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
  }
  EXPECT_TRUE(setKey("IndexOfTemperatureUnit", Value::integer(0))) << "the directory works again";
}

TEST_F(DefaultsSafety, ADirectoryThatCannotBeWrittenIsFoundBeforeAnythingIsStored) {
  EXPECT_EQ(defaultsDirectoryWriteProblem(), std::nullopt);
  EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "the check leaves nothing behind";
  setDefaultsFileFaultForTesting([](DefaultsFileOperation, const std::filesystem::path&) { return EROFS; });
  EXPECT_NE(defaultsDirectoryWriteProblem(), std::nullopt);
  setDefaultsFileFaultForTesting(nullptr);
  folder.write("blocker", "a file where a directory should be");
  for (const std::filesystem::path& unusable : {folder.path() / "blocker" / "prefs", std::filesystem::path("/proc")}) {
    setDefaultsDirectory(unusable);
    EXPECT_NE(defaultsDirectoryWriteProblem(), std::nullopt) << unusable;
  }
  setDefaultsDirectory(prefs());
}

Dictionary generation(std::int64_t number) {
  // Large enough that a write takes a while, so that kills land inside it.
  return Dictionary{{"Generation", Value::integer(number)}, {"Payload", Value(Array(4000, Value::integer(number)))}};
}

// A complete file of one generation: every payload entry says the same generation.
std::optional<std::int64_t> completeGeneration(const std::string& bytes) {
  const auto list = PropertyListSerialization::propertyListFromData(bytes);
  const Value* number = list ? list->find("Generation") : nullptr;
  const Value* payload = list ? list->find("Payload") : nullptr;
  if (number == nullptr || payload == nullptr || payload->asArray() == nullptr || payload->asArray()->size() != 4000) {
    return std::nullopt;
  }
  for (const Value& entry : *payload->asArray()) {
    if (entry.asInteger() != number->asInteger()) return std::nullopt;
  }
  return number->asInteger();
}

TEST_F(DefaultsSafety, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFileAndNoHeapOfTemporaries) {
  // Kills are spread over a few writes' time, measured here, so that they land in every stage of
  // a write whatever the speed of the build and the disk.
  const auto started = std::chrono::steady_clock::now();
  for (std::int64_t number = 0; number < 3; ++number) ASSERT_TRUE(write(generation(number)));
  const auto oneWrite = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / 3;
  std::mt19937 random(20260612);
  std::uniform_int_distribution<std::int64_t> delayMicroseconds(0, 3 * oneWrite.count());
  std::int64_t lastSeen = 2;
  int killedMidWrite = 0;
  for (int round = 0; round < 200; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::close(ready[0]);
      [[maybe_unused]] auto told = ::write(ready[1], "w", 1);  // the clock starts when the writer does
      for (std::int64_t next = lastSeen + 1;; ++next) defaults.setPersistentDomainForName(generation(next), kDomain);
    }
    ::close(ready[1]);
    char go = 0;
    ASSERT_EQ(::read(ready[0], &go, 1), 1);
    ::close(ready[0]);
    ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
    ::kill(writer, SIGKILL);
    int status = 0;
    ::waitpid(writer, &status, 0);

    const std::optional<std::int64_t> seen = completeGeneration(fileBytes());
    ASSERT_TRUE(seen) << "round " << round << ": the file is not one complete generation";
    ASSERT_GE(*seen, lastSeen);
    lastSeen = *seen;
    const auto stray = strayFiles();
    ASSERT_LE(stray.size(), 1u) << "round " << round;
    if (!stray.empty()) {
      EXPECT_EQ(stray[0], ".org.example.widget.plist.tmp");
      ++killedMidWrite;
    }
  }
  EXPECT_GT(lastSeen, 2) << "some writes completed";
  EXPECT_GT(killedMidWrite, 0) << "some kills landed inside a write";
  RecordProperty("killsInsideAWrite", killedMidWrite);
  RecordProperty("generationsWritten", static_cast<int>(lastSeen));
  ASSERT_TRUE(write(generation(lastSeen + 1)));
  EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "the next write takes the stale temporary away";
}

TEST_F(DefaultsSafety, TwoProcessesUpdatingAtOnceLoseNoKeys) {
  constexpr int kUpdates = 150;
  ASSERT_TRUE(write(Dictionary{}));
  std::vector<pid_t> writers;
  for (const char* name : {"first", "second"}) {
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      bool all = true;
      for (int update = 0; update < kUpdates; ++update) {
        all = defaults.updatePersistentDomainForName(kDomain, [&](Dictionary& domain) {
          domain[std::string(name) + ":" + std::to_string(update)] = Value::integer(update);
          domain["Shared"] = Value(name);
        }) && all;
      }
      ::_exit(all ? 0 : 1);
    }
    writers.push_back(writer);
  }
  for (pid_t writer : writers) {
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto stored = defaults.persistentDomainForName(kDomain);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->size(), 2u * kUpdates + 1) << "every update of both processes is kept";
  EXPECT_TRUE(valueForKey(*stored, "Shared") != nullptr);
}

}  // namespace
}  // namespace sw::os
