// A directory of its own for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace sw::os::testing {

class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sw-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

  /// Writes a file below the directory, creating the folders on the way.
  std::filesystem::path write(const std::filesystem::path& relativePath, std::string_view contents) const {
    std::filesystem::path file = path_ / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
    return file;
  }

  /// The bytes of a file below the directory (or anywhere, given an absolute path).
  std::string read(const std::filesystem::path& relativePath) const {
    std::ifstream in(path_ / relativePath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

/// Sets an environment variable for the life of the object (unset when value is null).
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    apply(value);
  }
  ~ScopedEnvironment() { apply(old_ ? old_->c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void apply(const char* value) { value != nullptr ? setenv(name_.c_str(), value, 1) : unsetenv(name_.c_str()); }
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace sw::os::testing
