// The one reader of script calls from outside, with one set of limits for every transport: the
// widget page's HTTP requests and the lines of `sensorwidget script` both come through here.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sw::host {

struct ScriptCallRequest {
  std::string name;
  nlohmann::json arguments;  // always an array of plain values
};

/// The largest request body the host reads, and the longest line `script` reads; the page's
/// calls are a few dozen bytes.
inline constexpr std::size_t kMaxRequestBodyBytes = 64 * 1024;
/// The longest text argument. Texts become keys of the stored settings (the widget identifier),
/// so a text the settings file could not keep and read back is refused here, at the door.
inline constexpr std::size_t kMaxArgumentTextBytes = 1024;

/// Parses {"call": "<script name>", "args": [<plain values>]} ("args" may be left out when the
/// operation takes none). Anything else — not JSON, nested too deeply, a name that is not a
/// plain word, arguments that are not an array of numbers, booleans and texts (each at most
/// kMaxArgumentTextBytes of UTF-8 without control characters), unknown keys — gives the text
/// that tells the caller what is wrong. Whether the name is an operation of the script
/// interface and the arguments fit it is the dispatcher's to decide.
std::variant<ScriptCallRequest, std::string> parseScriptCallRequest(std::string_view body);

/// The same checks for one call that is already JSON (an element of a batch).
std::variant<ScriptCallRequest, std::string> scriptCallRequestFromJSON(const nlohmann::json& request);

/// Follows JSON text one character at a time and tells which characters stand outside strings,
/// where brackets and commas are structure.
class JsonStructureScanner {
 public:
  /// Whether the character stands outside every string; a string's quotes and content do not.
  bool isStructural(char c);
  bool insideString() const { return inString_; }

 private:
  bool inString_ = false;
  bool escaped_ = false;
};

/// Whether brackets in the JSON text nest deeper than the limit, counting outside strings only.
/// Checked before parsing so that a hostile body cannot make the parser or the value's
/// destructor recurse without bound.
bool jsonNestsDeeperThan(std::string_view text, int limit);

/// One line of `sensorwidget script`'s input, without its line feed. A line longer than
/// kMaxRequestBodyBytes is read to its end but not kept: it comes back empty with tooLong set,
/// so that no input can make the reader hold more than one request's worth of memory.
struct ScriptLine {
  std::string text;
  bool tooLong = false;
};
/// The next line; nothing at the end of the input.
std::optional<ScriptLine> readScriptLine(std::istream& input);

/// The text answered for a line that was too long.
inline constexpr std::string_view kLineTooLong = "the request line is larger than 64 KiB";

}  // namespace sw::host
