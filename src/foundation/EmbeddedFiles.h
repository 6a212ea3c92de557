// Files linked into the binary: built-in profiles, bundle resources and the widget page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw::embedded {

struct Entry {
  const char* path;  // relative to the source tree, e.g. "profiles/MacBookPro5,5.plist"
  const char* begin;
  const char* end;
};
extern const Entry kTable[];  // ends with an entry whose path is null

/// The contents of an embedded file, or nothing when no file has that path.
std::optional<std::string_view> file(std::string_view path);

/// The paths of every embedded file whose path starts with the prefix, in sorted order.
std::vector<std::string> pathsUnder(std::string_view prefix);

}  // namespace sw::embedded
