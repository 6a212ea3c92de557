// The body of one script call sent by the widget page: which operation, with which arguments.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace sw::host {

struct ScriptCallRequest {
  std::string name;
  nlohmann::json arguments;  // always an array of plain values
};

/// The largest request body the host reads; the page's calls are a few dozen bytes.
inline constexpr std::size_t kMaxRequestBodyBytes = 64 * 1024;

/// Parses {"call": "<script name>", "args": [<plain values>]} ("args" may be left out when the
/// operation takes none). Anything else — not JSON, nested too deeply, a name that is not a
/// plain word, arguments that are not an array of strings, numbers and booleans, unknown keys —
/// gives the text that tells the page what is wrong. Whether the name is an operation of the
/// script interface and the arguments fit it is the dispatcher's to decide.
std::variant<ScriptCallRequest, std::string> parseScriptCallRequest(std::string_view body);

/// Whether brackets in the JSON text nest deeper than the limit, counting outside strings only.
/// Checked before parsing so that a hostile body cannot make the parser or the value's
/// destructor recurse without bound.
bool jsonNestsDeeperThan(std::string_view text, int limit);

}  // namespace sw::host
