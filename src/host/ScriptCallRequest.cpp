// Validation of the script calls that the widget page and `sensorwidget script` send.
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

// Control characters have no place in an identifier or a label, and a NUL or a raw control
// character is what other property-list readers stumble over once stored.
bool isStorableText(const std::string& text) {
  return text.size() <= kMaxArgumentTextBytes &&
         std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool isPlainValue(const nlohmann::json& value) {
  if (value.is_string()) return isStorableText(value.get_ref<const std::string&>());
  return value.is_number() || value.is_boolean();
}

// Depth and size first: nlohmann's values copy and destroy themselves recursively.
std::optional<std::string> shapeProblem(std::string_view body) {
  if (body.size() > kMaxRequestBodyBytes) return std::string("the request body is too large");
  if (jsonNestsDeeperThan(body, kMaxNestingDepth)) return std::string("the request nests too deeply");
  return std::nullopt;
}

}  // namespace

bool JsonStructureScanner::isStructural(char c) {
  if (inString_) {
    if (escaped_) {
      escaped_ = false;
    } else if (c == '\\') {
      escaped_ = true;
    } else if (c == '"') {
      inString_ = false;
    }
    return false;
  }
  if (c == '"') inString_ = true;
  return !inString_;
}

bool jsonNestsDeeperThan(std::string_view text, int limit) {
  int depth = 0;
  JsonStructureScanner scanner;
  for (char c : text) {
    if (!scanner.isStructural(c)) continue;
    if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

std::variant<ScriptCallRequest, std::string> scriptCallRequestFromJSON(const nlohmann::json& request) {
  if (!request.is_object()) return std::string("the request must be a JSON object");
  for (const auto& [key, value] : request.items()) {
    if (key != "call" && key != "args") return "unknown request field \"" + key + "\"";
  }
  auto call = request.find("call");
  if (call == request.end() || !call->is_string() || !isPlainWord(call->get_ref<const std::string&>())) {
    return std::string("\"call\" must name a script operation");
  }
  nlohmann::json arguments = nlohmann::json::array();
  if (auto args = request.find("args"); args != request.end()) arguments = *args;
  if (!arguments.is_array() || arguments.size() > kMaxArguments ||
      !std::all_of(arguments.begin(), arguments.end(), isPlainValue)) {
    return std::string(
        "\"args\" must be an array of numbers, booleans and strings (at most 1024 bytes, no control characters)");
  }
  return ScriptCallRequest{call->get<std::string>(), std::move(arguments)};
}

std::variant<ScriptCallRequest, std::string> parseScriptCallRequest(std::string_view body) {
  if (auto problem = shapeProblem(body)) return *problem;
  const nlohmann::json request = nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
  if (request.is_discarded()) return std::string("the request body is not JSON");
  return scriptCallRequestFromJSON(request);
}

std::optional<ScriptLine> readScriptLine(std::istream& input) {
  std::streambuf* buffer = input.rdbuf();
  if (buffer == nullptr) return std::nullopt;
  using Traits = std::streambuf::traits_type;
  Traits::int_type c = buffer->sbumpc();
  if (Traits::eq_int_type(c, Traits::eof())) {
    input.setstate(std::ios::eofbit);
    return std::nullopt;
  }
  ScriptLine line;
  for (; !Traits::eq_int_type(c, Traits::eof()) && Traits::to_char_type(c) != '\n'; c = buffer->sbumpc()) {
    if (line.tooLong) continue;
    if (line.text.size() == kMaxRequestBodyBytes) {
      line.tooLong = true;
      line.text = std::string();
      continue;
    }
    line.text.push_back(Traits::to_char_type(c));
  }
  return line;
}

}  // namespace sw::host
