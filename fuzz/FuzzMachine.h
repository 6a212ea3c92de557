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

inline const std::filesystem::path& scratchDefaultsDirectory() {
  static const std::filesystem::path directory =
      std::filesystem::temp_directory_path() / ("sensorwidget-fuzz-" + std::to_string(::getpid()));
  return directory;
}

/// Points the defaults at a directory of this process, removed again when the process exits.
inline void useScratchDefaultsDirectory() {
  // Registered after the path exists, so that it runs before the path is destroyed.
  static const bool removedAtExit = [] {
    std::filesystem::create_directories(scratchDefaultsDirectory());
    return std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(scratchDefaultsDirectory(), ignored);
    }) == 0;
  }();
  (void)removedAtExit;
  os::setDefaultsDirectory(scratchDefaultsDirectory());
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
