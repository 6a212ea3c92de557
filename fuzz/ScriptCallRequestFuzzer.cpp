// The parser every script call from outside goes through (HTTP bodies, `script` lines, batch
// elements): any bytes give a call within the limits or a text saying what is wrong, and never
// make the parser or the value it builds recurse without bound.
#include <string>
#include <variant>

#include "fuzz/FuzzInput.h"
#include "host/ScriptCallRequest.h"

namespace {

using sw::fuzz::require;
using sw::host::ScriptCallRequest;

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

void checkCall(const std::variant<ScriptCallRequest, std::string>& parsed) {
  if (const auto* problem = std::get_if<std::string>(&parsed)) {
    require(!problem->empty(), "a refusal says why");
    return;
  }
  const ScriptCallRequest& call = std::get<ScriptCallRequest>(parsed);
  require(!call.name.empty() && call.name.size() <= 64, "a call names an operation of at most 64 characters");
  require(call.arguments.is_array() && call.arguments.size() <= 4, "arguments are an array of at most four");
  for (const auto& argument : call.arguments) {
    require(argument.is_string() || argument.is_number() || argument.is_boolean(), "arguments are plain values");
    if (!argument.is_string()) continue;
    const auto& text = argument.get_ref<const std::string&>();
    require(text.size() <= sw::host::kMaxArgumentTextBytes, "a text argument fits the settings");
    for (char c : text) require(!isControl(c), "a text argument holds no control characters");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body = sw::fuzz::bytesAsText(data, size);
  const auto single = sw::host::parseScriptCallRequest(body);
  checkCall(single);
  if (std::holds_alternative<ScriptCallRequest>(single)) {
    require(!sw::host::jsonNestsDeeperThan(body, 4), "an accepted body nests within the limit");
  }
  return 0;
}
