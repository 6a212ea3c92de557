#include "live/KeyValueText.h"

namespace sw::live {
namespace {

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::vector<std::map<std::string, std::string>> keyValueBlocks(std::string_view text, char separator) {
  std::vector<std::map<std::string, std::string>> blocks(1);
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (trimmed(line).empty()) {
      if (!blocks.back().empty()) blocks.emplace_back();
      continue;
    }
    const std::size_t at = line.find(separator);
    if (at == std::string_view::npos) continue;
    blocks.back()[std::string(trimmed(line.substr(0, at)))] = std::string(trimmed(line.substr(at + 1)));
  }
  if (blocks.back().empty()) blocks.pop_back();
  return blocks;
}

std::map<std::string, std::string> keyValues(std::string_view text, char separator) {
  std::map<std::string, std::string> merged;
  for (auto& block : keyValueBlocks(text, separator)) {
    for (auto& [key, value] : block) merged[key] = std::move(value);
  }
  return merged;
}

std::string unquoted(std::string_view value) {
  if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') || value.back() != value.front()) {
    return std::string(value);
  }
  const bool escapes = value.front() == '"';
  value = value.substr(1, value.size() - 2);
  std::string text;
  for (std::size_t index = 0; index < value.size(); ++index) {
    if (escapes && value[index] == '\\' && index + 1 < value.size()) ++index;
    text += value[index];
  }
  return text;
}

}  // namespace sw::live
