// A string table linked into the binary, for tests that check which texts the resources hold.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/EmbeddedFiles.h"
#include "os/Bundle.h"

namespace sw::test {

/// The table at that embedded path; empty, with a test failure, when it is missing or does not parse.
inline Dictionary embeddedStringTable(const std::string& path) {
  const auto bytes = embedded::file(path);
  const auto table = bytes ? os::parseStringsFile(*bytes) : std::nullopt;
  if (!table) ADD_FAILURE() << path << " is missing or does not parse";
  return table.value_or(Dictionary{});
}

}  // namespace sw::test
