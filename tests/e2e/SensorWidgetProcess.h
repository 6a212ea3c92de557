// Runs the built sensorwidget binary as a user would: arguments, standard input, a defaults
// directory of its own, and the exit status and both outputs kept for the test.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/wait.h>

#include "foundation/PropertyListSerialization.h"
#include "os/TemporaryDirectory.h"
#include "support/ProfileBuilder.h"
#include "support/SecondPropertyListReader.h"

namespace sw::e2e {

inline constexpr const char* kTestSerialNumber = "W80000000000";  // the profile builder's

struct ProcessResult {
  int exitStatus = -1;
  std::string standardOutput;
  std::string standardError;

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
  void TearDown() override { test::expectOtherReaderAgreesOnEveryPlist(defaultsDirectory()); }

  std::filesystem::path defaultsDirectory() const { return work_.path() / "defaults"; }
  std::filesystem::path pluginDomainFile() const { return defaultsDirectory() / "org.sensorwidget.plugin.plist"; }

  /// Runs the binary with the arguments (the defaults directory and the locale added) and input.
  /// Runs that overlap in time give each a different `name` for its files.
  ProcessResult run(std::vector<std::string> arguments, const std::string& input = "",
                    const std::string& locale = "en_US", const std::string& name = "run") const {
    std::string command = shellQuoted(SW_BINARY_PATH) + " --defaults-dir " + shellQuoted(defaultsDirectory().string());
    for (const auto& argument : arguments) command += " " + shellQuoted(argument);
    command += " --locale " + shellQuoted(locale);
    const auto output = work_.path() / (name + ".stdout");
    const auto errors = work_.path() / (name + ".stderr");
    command += " <" + shellQuoted(work_.write(name + ".stdin", input).string()) + " >" + shellQuoted(output.string()) +
               " 2>" + shellQuoted(errors.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, work_.read(output), work_.read(errors)};
  }

  void writePropertyList(const std::filesystem::path& path, const Value& value) const {
    const Data xml = PropertyListSerialization::dataFromPropertyList(value, PropertyListSerialization::Format::XML);
    work_.write(path, std::string(xml.begin(), xml.end()));
  }

  /// Writes a machine of the model with one SMC holding two temperatures, one voltage and one fan,
  /// so that every format and sort rule shows, and returns the profile's path.
  std::string testProfile(const std::string& model = "MacBookPro5,5") const {
    const std::tuple<const char*, const char*, double> keys[] = {
        {"TC0D", "sp78", 45.5}, {"TA0P", "sp78", 30.25}, {"VC0C", "sp4b", 1.25}, {"FNum", "ui8 ", 1},
        {"F0Ac", "fpe2", 2000}, {"F0Mn", "fpe2", 1000},  {"F0Mx", "fpe2", 6000}};
    Array smcKeys;
    for (const auto& [key, type, value] : keys) {
      smcKeys.push_back(Value(Dictionary{{"Key", Value(key)}, {"Type", Value(type)}, {"Value", Value::real(value)}}));
    }
    const auto path = work_.path() / (model + ".plist");
    writePropertyList(path, test::ProfileBuilder()
                                .model(model)
                                .entry("AppleSMC", {{"smc-version", Value("1.47f2")}, {"@SMCKeys", Value(smcKeys)}})
                                .build());
    return path.string();
  }

  static nlohmann::json call(const std::string& name, nlohmann::json arguments = nlohmann::json::array()) {
    return {{"call", name}, {"args", std::move(arguments)}};
  }

  /// The results of `sensorwidget script` for the calls, after checking that every call succeeded.
  std::vector<nlohmann::json> results(const std::vector<nlohmann::json>& calls, const std::string& model = "MacBookPro5,5") {
    std::string input;
    for (const auto& c : calls) input += c.dump() + "\n";
    const ProcessResult result = run({"script", "--profile", testProfile(model)}, input);
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
