// Reading a whole file of outside data, never more than a stated size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace sw {

enum class FileReadFailure { Missing, TooLarge, Unreadable };

struct FileReadResult {
  std::optional<std::string> contents;  // set on success
  FileReadFailure failure = FileReadFailure::Missing;
  std::string reason;  // a short text for messages when it failed
};

/// The bytes of a regular file of at most maximumSize bytes.
FileReadResult readFileContents(const std::filesystem::path& path, std::uintmax_t maximumSize);

}  // namespace sw
