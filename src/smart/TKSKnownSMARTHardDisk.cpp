// The known-disk table: its rows and the reader of its line format.
#include "smart/TKSKnownSMARTHardDisk.h"

#include <cctype>
#include <fstream>
#include <iterator>

#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

// A field longer than this is cut: the rest of it is read as the next field, never stored.
constexpr std::size_t kMaximumFieldLength = 256;
constexpr int kEndOfFile = -1;
// A byte the table files of old used as an end marker; it ends a field like the end of the file.
constexpr int kEndMarker = 0xFF;

/// Reads the table text one byte at a time, as the file stream the format was made for.
class TableReader {
 public:
  explicit TableReader(std::string_view text) : text_(text) {}

  int next() { return position_ < text_.size() ? static_cast<unsigned char>(text_[position_++]) : kEndOfFile; }
  void putBack() { --position_; }
  bool atEnd() const { return position_ >= text_.size(); }

  void skipBlanks() {
    while (!atEnd() && isBlank(static_cast<unsigned char>(text_[position_]))) ++position_;
  }
  void skipLine() {
    for (int c = next(); c != kEndOfFile && c != '\n'; c = next()) {
    }
  }

  /// A quoted field up to the next double quote, or a bare one up to the next blank. A bare field
  /// also ends before a line feed, which stays to end the row: otherwise a row whose last field
  /// is bare would swallow the start of the next row.
  std::string stringField() {
    skipBlanks();
    std::string field;
    int c = next();
    const bool quoted = c == '"';
    if (quoted) c = next();
    for (;; c = next()) {
      if (c == kEndOfFile || c == kEndMarker) break;
      if (quoted ? c == '"' : isBlank(c)) break;
      if (!quoted && c == '\n') {
        putBack();
        break;
      }
      if (field.size() == kMaximumFieldLength) break;  // the character after the cut is dropped
      field.push_back(static_cast<char>(c));
    }
    return field;
  }

  /// At most three decimal digits; the character after them is consumed. No digits give 0.
  unsigned numberField() {
    skipBlanks();
    unsigned number = 0;
    for (int digits = 0; digits < 3; ++digits) {
      int c = next();
      if (c == kEndOfFile) return number;
      if (!std::isdigit(c)) return number;
      number = number * 10 + static_cast<unsigned>(c - '0');
    }
    next();
    return number;
  }

 private:
  static bool isBlank(int c) { return c >= 0 && std::isblank(c); }

  std::string_view text_;
  std::size_t position_ = 0;
};

/// The text as the C string that regcomp and the name see: up to its first zero byte.
std::string cString(const std::string& field) { return field.substr(0, field.find('\0')); }

}  // namespace

TKSKnownSMARTHardDisk::~TKSKnownSMARTHardDisk() {
  if (compiled_) regfree(&matchingExpression_);
}

std::shared_ptr<TKSKnownSMARTHardDisk> TKSKnownSMARTHardDisk::createWithMatchString(const char* pattern,
                                                                                     std::uint8_t attributeID,
                                                                                     const char* name) {
  if (pattern == nullptr || name == nullptr) return nullptr;
  std::shared_ptr<TKSKnownSMARTHardDisk> row(new TKSKnownSMARTHardDisk());
  row->compiled_ = regcomp(&row->matchingExpression_, pattern, REG_EXTENDED | REG_NOSUB) == 0;
  if (!row->compiled_) {
    os::systemLog(stringWithFormat("Could not accept regular expression '%s'\n", pattern));
    return nullptr;
  }
  row->temperatureAttributeIdentifier_ = attributeID;
  row->productName_ = macRomanToUTF8(name);
  return row;
}

bool TKSKnownSMARTHardDisk::matchesProductName(const std::string& productName) const {
  return regexec(&matchingExpression_, productName.c_str(), 0, nullptr, 0) == 0;
}

std::shared_ptr<TKSKnownSMARTHardDisk> TKSKnownSMARTHardDisk::firstRowMatching(const KnownDiskTable& table,
                                                                                const std::string& productName) {
  for (const auto& row : table) {
    if (row->matchesProductName(productName)) return row;
  }
  return nullptr;
}

std::string TKSKnownSMARTHardDisk::description() const {
  return stringWithFormat("%@: Temperature Attribute ID: %u Supported: %@\n", productName_,
                          temperatureAttributeIdentifier_, supportsTemperatureMonitoring() ? "YES" : "NO");
}

KnownDiskTable TKSKnownSMARTHardDisk::smartDiskTableWithContents(std::string_view contents) {
  KnownDiskTable table;
  TableReader reader(contents);
  for (;;) {
    reader.skipBlanks();
    int c = reader.next();
    if (c == kEndOfFile) break;
    if (c == '#') {
      reader.skipLine();
      continue;
    }
    if (c == '\n') continue;
    reader.putBack();
    const std::string pattern = cString(reader.stringField());
    const unsigned attributeID = reader.numberField();
    const std::string unit = reader.stringField();
    const std::string name = cString(reader.stringField());
    if (attributeID > 255 || !unit.starts_with('C')) continue;
    if (auto row = createWithMatchString(pattern.c_str(), static_cast<std::uint8_t>(attributeID), name.c_str())) {
      table.push_back(std::move(row));
    }
  }
  return table;
}

std::optional<KnownDiskTable> TKSKnownSMARTHardDisk::smartDiskTableWithPath(const std::optional<std::string>& path) {
  if (!path) return std::nullopt;
  std::ifstream file(*path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return smartDiskTableWithContents(contents);
}

}  // namespace sw
