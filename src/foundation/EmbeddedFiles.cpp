// Lookup in the table of files linked into the binary.
#include "foundation/EmbeddedFiles.h"

namespace sw::embedded {

std::optional<std::string_view> file(std::string_view path) {
  for (const Entry* entry = kTable; entry->path != nullptr; ++entry) {
    if (path == entry->path) return std::string_view(entry->begin, entry->end - entry->begin);
  }
  return std::nullopt;
}

std::vector<std::string> pathsUnder(std::string_view prefix) {
  std::vector<std::string> paths;
  for (const Entry* entry = kTable; entry->path != nullptr; ++entry) {
    if (std::string_view(entry->path).starts_with(prefix)) paths.emplace_back(entry->path);
  }
  return paths;
}

}  // namespace sw::embedded
