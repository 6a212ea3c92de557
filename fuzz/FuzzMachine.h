// Machines for the harnesses that need one: built-in profiles, and a scratch defaults directory so
// that what a harness makes the widget store never lands in the developer's own settings.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "foundation/EmbeddedFiles.h"
#include "foundation/PropertyListSerialization.h"
#include "fuzz/FuzzInput.h"
#include "os/UserDefaults.h"
#include "sim/MachineProfile.h"

namespace sw::fuzz {

/// Points the defaults at a directory of this process, removed again when the process exits.
inline void useScratchDefaultsDirectory() {
  static const std::filesystem::path directory = [] {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("sensorwidget-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(directory, ignored);
    });
    return path;
  }();
  os::setDefaultsDirectory(directory);
}

/// The checked profile of a built-in machine ("PowerBook5,8"); the harness stops when it is missing.
inline sim::MachineProfile builtInProfile(const std::string& name) {
  const std::optional<std::string_view> bytes = embedded::file("profiles/" + name + ".plist");
  require(bytes.has_value(), "the built-in profile exists");
  const std::optional<Value> profile = PropertyListSerialization::propertyListFromData(*bytes);
  require(profile.has_value(), "the built-in profile is a property list");
  return sim::MachineProfile::read(*profile);
}

}  // namespace sw::fuzz
