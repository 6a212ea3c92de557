// The one way a machine profile is refused: where in the profile, and what is wrong there.
#pragma once

#include <stdexcept>
#include <string>

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

}  // namespace sw::sim
