// Validation of the script calls that the widget page sends.
#include "host/ScriptCallRequest.h"

#include <algorithm>

namespace sw::host {
namespace {

constexpr int kMaxNestingDepth = 4;
constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxArguments = 4;

bool isPlainWord(std::string_view name) {
  return !name.empty() && name.size() <= kMaxNameLength &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
         });
}

bool isPlainValue(const nlohmann::json& value) {
  return value.is_string() || value.is_number() || value.is_boolean();
}

}  // namespace

bool jsonNestsDeeperThan(std::string_view text, int limit) {
  int depth = 0;
  bool inString = false;
  bool escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

std::variant<ScriptCallRequest, std::string> parseScriptCallRequest(std::string_view body) {
  if (body.size() > kMaxRequestBodyBytes) return std::string("the request body is too large");
  if (jsonNestsDeeperThan(body, kMaxNestingDepth)) return std::string("the request nests too deeply");
  nlohmann::json request = nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (request.is_discarded()) return std::string("the request body is not JSON");
  if (!request.is_object()) return std::string("the request must be a JSON object");
  for (const auto& [key, value] : request.items()) {
    if (key != "call" && key != "args") return "unknown request field \"" + key + "\"";
  }
  auto call = request.find("call");
  if (call == request.end() || !call->is_string() || !isPlainWord(call->get_ref<const std::string&>())) {
    return std::string("\"call\" must name a script operation");
  }
  nlohmann::json arguments = nlohmann::json::array();
  if (auto args = request.find("args"); args != request.end()) arguments = std::move(*args);
  if (!arguments.is_array() || arguments.size() > kMaxArguments ||
      !std::all_of(arguments.begin(), arguments.end(), isPlainValue)) {
    return std::string("\"args\" must be an array of strings, numbers and booleans");
  }
  return ScriptCallRequest{call->get<std::string>(), std::move(arguments)};
}

}  // namespace sw::host
