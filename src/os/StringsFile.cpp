// The .strings table format: "key" = "value"; entries with comments, in UTF-8 or UTF-16.
#include <cstdint>

#include "foundation/PropertyListSerialization.h"
#include "foundation/TextEncoding.h"
#include "os/Bundle.h"

namespace sw::os {
namespace {

// A string table is a small resource; anything larger is not one of ours.
constexpr std::size_t kMaximumStringsFileSize = 8 * 1024 * 1024;

bool isUnquotedCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("_$+/:.-").find(c) != std::string_view::npos;
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the entries of a decoded (UTF-8) table. Every read checks the end of the text; any
// deviation from the grammar fails the whole table, as a half-read table would show a mix of
// translated and untranslated texts.
class StringsFileParser {
 public:
  explicit StringsFileParser(std::string_view text) : text_(text) {}

  std::optional<Dictionary> parse() {
    Dictionary entries;
    if (!skipSpaceAndComments()) return std::nullopt;
    while (position_ < text_.size()) {
      if (!parseEntry(entries) || !skipSpaceAndComments()) return std::nullopt;
    }
    return entries;
  }

 private:
  // key = value;   or   key;   (which maps the key to itself)
  bool parseEntry(Dictionary& entries) {
    std::optional<std::string> key = parseString();
    if (!key || !skipSpaceAndComments()) return false;
    std::string value = *key;
    if (peek() == '=') {
      ++position_;
      if (!skipSpaceAndComments()) return false;
      std::optional<std::string> parsed = parseString();
      if (!parsed || !skipSpaceAndComments()) return false;
      value = std::move(*parsed);
    }
    if (peek() != ';') return false;
    ++position_;
    entries.insert_or_assign(std::move(*key), Value(std::move(value)));
    return true;
  }

  std::optional<std::string> parseString() {
    if (peek() == '"') return parseQuoted();
    std::size_t start = position_;
    while (position_ < text_.size() && isUnquotedCharacter(text_[position_])) ++position_;
    if (position_ == start) return std::nullopt;
    return std::string(text_.substr(start, position_ - start));
  }

  std::optional<std::string> parseQuoted() {
    ++position_;  // the opening quote
    std::u16string pendingUnits;  // \U escapes, joined so that escaped surrogate pairs combine
    std::string text;
    while (position_ < text_.size()) {
      char c = text_[position_++];
      if (c == '"') return text + utf16ToUTF8(pendingUnits);
      if (c != '\\') {
        text += utf16ToUTF8(pendingUnits);
        pendingUnits.clear();
        text += c;
        continue;
      }
      if (position_ >= text_.size()) return std::nullopt;
      char escaped = text_[position_++];
      if (escaped == 'U' || escaped == 'u') {
        std::optional<char16_t> unit = parseHexUnit();
        if (!unit) return std::nullopt;
        pendingUnits += *unit;
        continue;
      }
      text += utf16ToUTF8(pendingUnits);
      pendingUnits.clear();
      text += unescaped(escaped);
    }
    return std::nullopt;  // no closing quote
  }

  // One to four hex digits after \U, as the platform reads them; none is a malformed escape.
  std::optional<char16_t> parseHexUnit() {
    std::uint32_t unit = 0;
    int digits = 0;
    while (digits < 4 && position_ < text_.size() && hexDigitValue(text_[position_]) >= 0) {
      unit = unit * 16 + static_cast<std::uint32_t>(hexDigitValue(text_[position_++]));
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    return static_cast<char16_t>(unit);
  }

  static char unescaped(char escaped) {
    switch (escaped) {
      case 'n': return '\n';
      case 't': return '\t';
      case 'r': return '\r';
      case 'a': return '\a';
      case 'b': return '\b';
      case 'f': return '\f';
      case 'v': return '\v';
      default: return escaped;  // \" \\ \' and any other character stand for themselves
    }
  }

  // False for a comment that never ends.
  bool skipSpaceAndComments() {
    while (position_ < text_.size()) {
      char c = text_[position_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++position_;
      } else if (text_.substr(position_, 2) == "//") {
        std::size_t end = text_.find('\n', position_);
        position_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else if (text_.substr(position_, 2) == "/*") {
        std::size_t end = text_.find("*/", position_ + 2);
        if (end == std::string_view::npos) return false;
        position_ = end + 2;
      } else {
        break;
      }
    }
    return true;
  }

  char peek() const { return position_ < text_.size() ? text_[position_] : '\0'; }

  std::string_view text_;
  std::size_t position_ = 0;
};

// The table's text as UTF-8, by its byte-order mark; without one it is UTF-8.
std::string decodedText(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return utf16BytesToUTF8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return utf16BytesToUTF8(bytes.substr(2), true);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return validUTF8(bytes);
}

// Tables may also be written as an XML or binary property list of strings.
std::optional<Dictionary> parsePropertyListTable(std::string_view bytes) {
  std::optional<Value> list = PropertyListSerialization::propertyListFromData(bytes);
  if (!list || list->asDictionary() == nullptr) return std::nullopt;
  for (const auto& [key, value] : *list->asDictionary()) {
    if (value.asString() == nullptr) return std::nullopt;
  }
  return *list->asDictionary();
}

}  // namespace

std::optional<Dictionary> parseStringsFile(std::string_view bytes) {
  if (bytes.size() > kMaximumStringsFileSize) return std::nullopt;
  if (bytes.starts_with("bplist")) return parsePropertyListTable(bytes);
  std::string text = decodedText(bytes);
  if (std::string_view(text).starts_with("<?xml")) return parsePropertyListTable(text);
  return StringsFileParser(text).parse();
}

}  // namespace sw::os
