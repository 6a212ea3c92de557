// Runs the built sensorwidget binary as a user would: arguments, standard input, a defaults
// directory of its own, and the exit status and both outputs kept for the test.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

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

inline std::string fileContents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

/// One temporary defaults directory per test; removed afterwards.
class SensorWidgetProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    workDirectory_ = std::filesystem::temp_directory_path() /
                     ("sensorwidget-e2e-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(workDirectory_);
    std::filesystem::create_directories(defaultsDirectory());
  }
  void TearDown() override { std::filesystem::remove_all(workDirectory_); }

  std::filesystem::path defaultsDirectory() const { return workDirectory_ / "defaults"; }
  std::filesystem::path pluginDomainFile() const { return defaultsDirectory() / "org.sensorwidget.plugin.plist"; }

  /// Runs the binary with the arguments (the defaults directory and English added) and input.
  ProcessResult run(std::vector<std::string> arguments, const std::string& input = "",
                    const std::string& locale = "en_US") {
    const auto in = workDirectory_ / "stdin";
    const auto out = workDirectory_ / "stdout";
    const auto err = workDirectory_ / "stderr";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = shellQuoted(SW_BINARY_PATH);
    for (const auto& argument : arguments) command += " " + shellQuoted(argument);
    command += " --defaults-dir " + shellQuoted(defaultsDirectory().string()) + " --locale " + shellQuoted(locale);
    command += " <" + shellQuoted(in.string()) + " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileContents(out), fileContents(err)};
  }

  /// Answers of `sensorwidget script` to the calls, one per call; fails the test on a bad exit.
  std::vector<nlohmann::json> script(const std::vector<nlohmann::json>& calls,
                                     std::vector<std::string> options = {}) {
    std::string input;
    for (const auto& call : calls) input += call.dump() + "\n";
    options.insert(options.begin(), "script");
    const ProcessResult result = run(options, input);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    return result.jsonLines();
  }

  static nlohmann::json call(const std::string& name, nlohmann::json arguments = nlohmann::json::array()) {
    return {{"call", name}, {"args", std::move(arguments)}};
  }

  std::filesystem::path workDirectory_;
};

}  // namespace sw::e2e
