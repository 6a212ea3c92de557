// Small recorded trees written by the tests, and the recorded machines of real Macs made at
// build time.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "live/LiveMachine.h"
#include "os/TemporaryDirectory.h"
#include "sim/SimulatedMachine.h"

namespace sw::live::test {

/// The folder of a real machine's recorded tree; empty when the build could not make them.
inline std::filesystem::path recordedMachine(const std::string& model) {
  std::filesystem::path folder = std::filesystem::path(SW_LIVE_FIXTURES) / model;
  return std::filesystem::is_directory(folder) ? folder : std::filesystem::path();
}

/// The live machine of a tree, its registry kept by a simulated machine as the command line does.
inline std::shared_ptr<LiveMachine> liveMachineOf(const std::filesystem::path& root) {
  std::string error;
  auto machine = LiveMachine::create(
      std::make_shared<LiveFiles>(root),
      [](const Value& profile, std::string* problem) -> std::shared_ptr<os::Machine> {
        auto loaded = sim::SimulatedMachine::load(profile, "live");
        if (auto* made = std::get_if<std::shared_ptr<sim::SimulatedMachine>>(&loaded)) return *made;
        *problem = std::get<std::string>(loaded);
        return nullptr;
      },
      &error);
  EXPECT_TRUE(machine) << error;
  return machine;
}

struct TreeKey {
  std::string name;  // four characters
  std::string type;  // four characters
  std::string bytes;
  bool readable = true;
};

/// An applesmc device in the recorded form: key_count, and one folder per index.
inline void writeAppleSMC(const os::testing::TemporaryDirectory& tree, const std::vector<TreeKey>& keys,
                          std::string keyCount = "") {
  const std::string device = "sys/devices/platform/applesmc.768/";
  tree.write(device + "key_count", (keyCount.empty() ? std::to_string(keys.size()) : keyCount) + "\n");
  tree.write(device + "key_at_index", "0\n");
  for (std::size_t index = 0; index < keys.size(); ++index) {
    const std::string folder = device + "key_at_index.d/" + std::to_string(index) + "/";
    tree.write(folder + "key_at_index_name", keys[index].name + "\n");
    tree.write(folder + "key_at_index_type", keys[index].type + "\n");
    tree.write(folder + "key_at_index_data_length", std::to_string(keys[index].bytes.size()) + "\n");
    if (keys[index].readable) tree.write(folder + "key_at_index_data", keys[index].bytes);
  }
}

}  // namespace sw::live::test
