// `sensorwidget script` with hostile input and unfriendly settings files: every line is answered,
// nothing the user stored is lost, and a write that fails is said so.
#include <gtest/gtest.h>

#include <thread>

#include "SensorWidgetProcess.h"

namespace sw::e2e {
namespace {

using nlohmann::json;

class ScriptSafety : public SensorWidgetProcess {
 protected:
  /// The script's answers to the lines, each checked to be one result or one error.
  std::vector<json> answersTo(const std::vector<std::string>& lines, ProcessResult* result = nullptr) {
    std::string input;
    for (const auto& line : lines) input += line + "\n";
    ProcessResult run = this->run({"script", "--profile", testProfile()}, input);
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;
    const auto answers = run.jsonLines();
    for (const auto& answer : answers) EXPECT_TRUE(answer.size() == 1 && (answer.contains("result") || answer.contains("error")));
    if (result != nullptr) *result = std::move(run);
    return answers;
  }

  static std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(ScriptSafety, HostileLinesAreAnsweredWithAnErrorAndTheNextLineStillRuns) {
  const std::string count = call("numberOfAvailableSensors").dump();
  const std::string hostile[] = {
      R"({"call": "logDebugString", "args": )" + std::string(200000, '[') + std::string(200000, ']') + "}",
      std::string(200000, '['),                                                       // deep and unclosed
      R"({"call": "logDebugString", "args": [")" + std::string(100 * 1024, 'x') + R"("]})",  // beyond 64 KiB
      call("setWidgetIdentifier", {std::string(5000, 'w')}).dump(),  // a key longer than the settings keep
      call("setWidgetIdentifier", {std::string("w\0x", 3)}).dump(),   // a NUL would merge two instances' keys
      call("setWidgetIdentifier", {"w\x01"}).dump(),
      call("setWidgetIdentifier", {"w\r"}).dump(),
  };
  for (const std::string& line : hostile) {
    const auto answers = answersTo({line, count});
    ASSERT_EQ(answers.size(), 2u) << line.substr(0, 60);
    EXPECT_TRUE(answers[0].contains("error")) << line.substr(0, 60);
    EXPECT_EQ(answers[1], (json{{"result", 4}})) << line.substr(0, 60);
  }
  EXPECT_FALSE(std::filesystem::exists(pluginDomainFile())) << "no refused call stored anything";
}

TEST_F(ScriptSafety, AnUnwritableDefaultsDirectoryStopsTheScriptAtOnceWithOneLine) {
  work_.write("a-file", "not a directory");
  for (const std::string& directory : {std::string("/proc"), (work_.path() / "a-file").string()}) {
    const ProcessResult result =
        run({"script", "--profile", testProfile(), "--defaults-dir", directory}, call("setWidgetIdentifier", {"w1"}).dump() + "\n");
    EXPECT_EQ(result.exitStatus, 1) << directory;
    EXPECT_EQ(result.standardOutput, "") << directory;
    EXPECT_EQ(linesOf(result.standardError).size(), 1u) << result.standardError;
  }
}

TEST_F(ScriptSafety, ASettingsFileThatCannotBeReadIsLeftAloneAndEveryRefusedWriteIsTold) {
  work_.write(pluginDomainFile() / "kept", "whatever the user keeps here");
  ProcessResult result;
  const auto answers = answersTo({call("setWidgetIdentifier", {"w1"}).dump(), call("setPreferredSensorIndexForDisplayIndex", {3, 0}).dump(),
                                  call("preferredSensorIndexAtDisplayIndex", {0}).dump()},
                                 &result);
  EXPECT_EQ(answers.back(), (json{{"result", 3}})) << "the widget works on in this run";
  const auto errors = linesOf(result.standardError);
  ASSERT_EQ(errors.size(), 2u) << result.standardError;  // the defaults first chosen, then the user's choice
  for (const auto& line : errors) EXPECT_TRUE(line.starts_with("sensorwidget: the settings were not saved: ")) << line;
  EXPECT_EQ(work_.read(pluginDomainFile() / "kept"), "whatever the user keeps here");
}

TEST_F(ScriptSafety, TwoScriptsWritingAtOnceKeepEveryInstancesChoice) {
  constexpr int kInstances = 30;
  const std::string profile = testProfile();
  // Each script opens many instances and gives each its own choice: a lost update loses a key
  // for good, and the instance then reads as a fresh one.
  const auto session = [](const std::string& prefix, int choice) {
    std::string input;
    for (int instance = 0; instance < kInstances; ++instance) {
      input += call("setWidgetIdentifier", {prefix + std::to_string(instance)}).dump() + "\n";
      input += call("setPreferredSensorIndexForDisplayIndex", {choice, 0}).dump() + "\n";
    }
    return input;
  };
  ProcessResult first, second;
  std::thread other([&] { second = run({"script", "--profile", profile}, session("b", 2), "en_US", "second"); });
  first = run({"script", "--profile", profile}, session("a", 3), "en_US", "first");
  other.join();
  ASSERT_EQ(first.exitStatus, 0) << first.standardError;
  ASSERT_EQ(second.exitStatus, 0) << second.standardError;
  EXPECT_EQ(first.standardError + second.standardError, "");

  std::vector<json> calls;
  std::vector<json> expected;
  for (const auto& [prefix, choice] : {std::pair<std::string, int>{"a", 3}, {"b", 2}}) {
    for (int instance = 0; instance < kInstances; ++instance) {
      calls.push_back(call("setWidgetIdentifier", {prefix + std::to_string(instance)}));
      calls.push_back(call("preferredSensorIndexAtDisplayIndex", {0}));
      expected.insert(expected.end(), {nullptr, choice});
    }
  }
  EXPECT_EQ(results(calls), expected);
}

}  // namespace
}  // namespace sw::e2e
