// Splitting a batch of script calls into the bodies of single calls.
#include "host/ScriptCallBatch.h"

#include <optional>

namespace sw::host {
namespace {

// An element may nest as deeply as a single call's body; the array adds one level.
constexpr int kMaxBatchNesting = 5;

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isJsonSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isJsonSpace(text.back())) text.remove_suffix(1);
  return text;
}

/// The element texts between the array's top-level commas, or nothing when the brackets and
/// strings do not close as a JSON array's must. What lies inside an element is judged later,
/// element by element. Sets `tooDeep` when brackets nest deeper than the limit.
std::optional<std::vector<std::string_view>> splitArray(std::string_view body, bool* tooDeep) {
  std::string_view text = trimmed(body);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  std::vector<std::string_view> elements;
  if (trimmed(text).empty()) return elements;
  std::string open;  // the brackets still open inside the current element
  JsonStructureScanner scanner;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!scanner.isStructural(c)) continue;
    if (c == '[' || c == '{') {
      // The array's own bracket is the first level.
      if (open.size() + 1 >= kMaxBatchNesting) {
        *tooDeep = true;
        return std::nullopt;
      }
      open.push_back(c == '[' ? ']' : '}');
    } else if (c == ']' || c == '}') {
      if (open.empty() || open.back() != c) return std::nullopt;
      open.pop_back();
    } else if (c == ',' && open.empty()) {
      elements.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (scanner.insideString() || !open.empty()) return std::nullopt;
  elements.push_back(text.substr(start));
  return elements;
}

}  // namespace

std::variant<std::vector<BatchElement>, std::string> parseScriptCallBatch(std::string_view body) {
  if (body.size() > kMaxRequestBodyBytes) return std::string("the request body is too large");
  bool tooDeep = false;
  std::optional<std::vector<std::string_view>> texts = splitArray(body, &tooDeep);
  if (tooDeep) return std::string("the request nests too deeply");
  if (!texts) return std::string("a batch must be a JSON array of calls");
  if (texts->size() > kMaxBatchCalls) {
    return "a batch holds at most " + std::to_string(kMaxBatchCalls) + " calls";
  }
  std::vector<BatchElement> elements;
  elements.reserve(texts->size());
  for (std::string_view text : *texts) elements.push_back(parseScriptCallRequest(text));
  return elements;
}

}  // namespace sw::host
