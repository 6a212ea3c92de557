// Runs the built sensorwidget binary as a user would: arguments, standard input, a defaults
// directory of its own, and the exit status and both outputs kept for the test.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "os/TemporaryDirectory.h"

namespace sw::e2e {

struct ProcessResult {
  int exitStatus = -1;
  std::string standardOutput;
  std::string standardError;

  /// Standard output as JSON lines.
  std::vector<nlohmann::json> jsonLines() const {
    std::vector<nlohmann::json> lines;
    std::istringstream in(standardOutput);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
};

inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class SensorWidgetProcess : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(defaultsDirectory()); }

  std::filesystem::path defaultsDirectory() const { return work_.path() / "defaults"; }
  std::filesystem::path pluginDomainFile() const { return defaultsDirectory() / "org.sensorwidget.plugin.plist"; }

  /// Runs the binary with the arguments (the defaults directory and the locale added) and input.
  ProcessResult run(std::vector<std::string> arguments, const std::string& input = "",
                    const std::string& locale = "en_US") {
    std::string command = shellQuoted(SW_BINARY_PATH);
    for (const auto& argument : arguments) command += " " + shellQuoted(argument);
    command += " --defaults-dir " + shellQuoted(defaultsDirectory().string()) + " --locale " + shellQuoted(locale);
    command += " <" + shellQuoted(work_.write("stdin", input).string()) + " >" +
               shellQuoted((work_.path() / "stdout").string()) + " 2>" + shellQuoted((work_.path() / "stderr").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, work_.read("stdout"), work_.read("stderr")};
  }

  static nlohmann::json call(const std::string& name, nlohmann::json arguments = nlohmann::json::array()) {
    return {{"call", name}, {"args", std::move(arguments)}};
  }

  /// The results of `sensorwidget script` for the calls, after checking that every call succeeded.
  std::vector<nlohmann::json> results(const std::vector<nlohmann::json>& calls, const std::string& profile) {
    std::string input;
    for (const auto& c : calls) input += c.dump() + "\n";
    const ProcessResult result = run({"script", "--profile", profile}, input);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    std::vector<nlohmann::json> values;
    for (const auto& answer : result.jsonLines()) {
      EXPECT_TRUE(answer.size() == 1 && answer.contains("result")) << answer.dump();
      values.push_back(answer.value("result", nlohmann::json()));
    }
    return values;
  }

  os::testing::TemporaryDirectory work_;
};

}  // namespace sw::e2e
