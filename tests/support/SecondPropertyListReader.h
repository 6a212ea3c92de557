// A second opinion on every settings file the tests write: Python's plistlib, a property-list
// reader that shares no code with ours, must read the file and find the same content.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "foundation/Value.h"

namespace sw::test {

/// The canonical text of a value, as tests/support/plistlib_canonical.py prints it.
std::string canonicalPropertyListText(const Value& value);

/// What plistlib reads from the file, as canonical text; nothing when python3 is not installed.
/// A file plistlib refuses gives its error text prefixed with "plistlib: ".
std::optional<std::string> canonicalTextByPlistlib(const std::filesystem::path& file);

/// Checks every "*.plist" file directly in the directory against both readers (a gtest failure
/// names the file); does nothing, once with a note, when python3 is missing.
void expectOtherReaderAgreesOnEveryPlist(const std::filesystem::path& directory);

}  // namespace sw::test
