// The one way a machine profile is refused: where in the profile, and what is wrong there.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw::sim {

/// Thrown while a profile is read and caught by SimulatedMachine::load, which turns it into the
/// message "<source>: <path>: <problem>". It never leaves the simulator.
class ProfileError : public std::runtime_error {
 public:
  ProfileError(std::string path, std::string problem)
      : std::runtime_error(path + ": " + problem), path_(std::move(path)), problem_(std::move(problem)) {}
  const std::string& path() const { return path_; }
  const std::string& problem() const { return problem_; }

 private:
  std::string path_;
  std::string problem_;
};

/// Refuses a key that is not among the known ones: `unknown <kind> "<key>"`, e.g. a misspelling.
inline void refuseUnknownKeys(const Dictionary& fields, std::initializer_list<std::string_view> known,
                              std::string_view kind, const std::string& path) {
  for (const auto& [key, value] : fields) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      throw ProfileError(path, "unknown " + std::string(kind) + " \"" + key + "\"");
    }
  }
}

}  // namespace sw::sim
