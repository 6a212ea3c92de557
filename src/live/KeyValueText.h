// The "key: value" and "KEY=value" texts of /proc and /sys: /proc/cpuinfo, /proc/meminfo,
// os-release, a power supply's uevent.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sw::live {

/// The lines "name<separator>value" of a text, both sides without surrounding blanks; lines
/// without the separator are left out. A blank line ends a block (of /proc/cpuinfo), so the
/// result is one map per block; a later duplicate in a block replaces an earlier one.
std::vector<std::map<std::string, std::string>> keyValueBlocks(std::string_view text, char separator);

/// One map for the whole text (os-release, uevent): the blocks merged, later lines winning.
std::map<std::string, std::string> keyValues(std::string_view text, char separator);

/// os-release quoting: "…" or '…' around the value, with backslash escapes inside double quotes.
std::string unquoted(std::string_view value);

}  // namespace sw::live
