// Bounded whole-file reads.
#include "foundation/FileContents.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace sw {

FileReadResult readFileContents(const std::filesystem::path& path, std::uintmax_t maximumSize) {
  FileReadResult result;
  std::error_code error;
  auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    result.reason = "no such file";
    return result;
  }
  result.failure = FileReadFailure::Unreadable;
  if (error || status.type() != std::filesystem::file_type::regular) {
    result.reason = error ? error.message() : "not a regular file";
    return result;
  }
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    result.reason = std::strerror(errno);
    return result;
  }
  // Read up to one byte past the limit, so that a file that grew since any size check is caught.
  std::string contents;
  char buffer[65536];
  while (stream.read(buffer, sizeof buffer) || stream.gcount() > 0) {
    contents.append(buffer, static_cast<std::size_t>(stream.gcount()));
    if (contents.size() > maximumSize) {
      result.failure = FileReadFailure::TooLarge;
      result.reason = "larger than " + std::to_string(maximumSize) + " bytes";
      return result;
    }
  }
  if (stream.bad()) {
    result.reason = "read error";
    return result;
  }
  result.contents = std::move(contents);
  return result;
}

}  // namespace sw
