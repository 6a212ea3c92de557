// Property-list files through libplist, converted to and from Value.
#include "foundation/PropertyListSerialization.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "foundation/Numbers.h"
#include "foundation/TextEncoding.h"

namespace sw {
namespace {

// Deeper nesting than this is no property list anyone writes, and the conversion recurses.
constexpr int kMaximumDepth = 200;

// Texts are written as C strings, which end at the first NUL: a text holding one could not be
// written back as it was read.
constexpr const char* kTextWithNul = "the property list holds a text with a NUL character in it";

struct PlistDeleter {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

struct MallocDeleter {
  void operator()(void* block) const { std::free(block); }
};
using MallocBlock = std::unique_ptr<char, MallocDeleter>;

// Reading a binary file's UTF-16 text with a NUL in it as a dictionary key makes libplist abort
// the process (it checks the key's length against the C string's), and it has no call that reads
// a key by its length. Such files are therefore found in their bytes before libplist reads them.
constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kBinaryTrailerSize = 32;
constexpr std::uint8_t kUTF16TextMarker = 0x60;
constexpr std::uint8_t kIntegerMarker = 0x10;
constexpr std::uint8_t kCountFollows = 0x0F;

/// The big-endian number of `width` bytes at an offset; nothing when it does not lie within the bytes.
std::optional<std::uint64_t> bigEndianAt(std::string_view bytes, std::uint64_t offset, std::uint64_t width) {
  if (width == 0 || width > 8 || offset > bytes.size() || width > bytes.size() - offset) return std::nullopt;
  std::uint64_t number = 0;
  for (std::uint64_t index = 0; index < width; ++index) number = (number << 8) | static_cast<std::uint8_t>(bytes[offset + index]);
  return number;
}

/// The UTF-16 bytes of the object at an offset when it is a UTF-16 text lying within the bytes.
std::optional<std::string_view> utf16TextAt(std::string_view bytes, std::uint64_t offset) {
  std::optional<std::uint64_t> marker = bigEndianAt(bytes, offset, 1);
  if (!marker || (*marker & 0xF0) != kUTF16TextMarker) return std::nullopt;
  std::uint64_t units = *marker & 0x0F;
  std::uint64_t start = offset + 1;
  if (units == kCountFollows) {  // longer texts give their count as an integer object
    std::optional<std::uint64_t> countMarker = bigEndianAt(bytes, start, 1);
    if (!countMarker || (*countMarker & 0xF0) != kIntegerMarker) return std::nullopt;
    std::uint64_t width = std::uint64_t{1} << (*countMarker & 0x0F);
    std::optional<std::uint64_t> count = bigEndianAt(bytes, start + 1, width);
    if (!count) return std::nullopt;
    units = *count;
    start += 1 + width;
  }
  if (start > bytes.size() || units > (bytes.size() - start) / 2) return std::nullopt;
  return bytes.substr(start, units * 2);
}

bool holdsNulUnit(std::string_view utf16) {
  for (std::size_t index = 0; index + 1 < utf16.size(); index += 2) {
    if (utf16[index] == '\0' && utf16[index + 1] == '\0') return true;
  }
  return false;
}

/// Whether a binary file has a UTF-16 text object holding a NUL. Objects and tables that do not
/// lie within the bytes are left for libplist to refuse.
bool binaryListHoldsTextWithNul(std::string_view bytes) {
  if (!bytes.starts_with(kBinaryMagic) || bytes.size() < kBinaryMagic.size() + kBinaryTrailerSize) return false;
  std::size_t trailer = bytes.size() - kBinaryTrailerSize;
  std::optional<std::uint64_t> offsetWidth = bigEndianAt(bytes, trailer + 6, 1);
  std::optional<std::uint64_t> objectCount = bigEndianAt(bytes, trailer + 8, 8);
  std::optional<std::uint64_t> tableStart = bigEndianAt(bytes, trailer + 24, 8);
  if (!offsetWidth || !objectCount || !tableStart || *tableStart > bytes.size()) return false;
  for (std::uint64_t index = 0; index < *objectCount; ++index) {
    std::optional<std::uint64_t> offset = bigEndianAt(bytes, *tableStart + index * *offsetWidth, *offsetWidth);
    if (!offset) return false;
    std::optional<std::string_view> text = utf16TextAt(bytes, *offset);
    if (text && holdsNulUnit(*text)) return true;
  }
  return false;
}

// libplist marks an integer above 2^63−1 that a file wrote unsigned (a binary 16-byte integer, or
// an XML integer without sign beyond the signed range) and writes it back the same way, but its
// public calls neither tell that mark nor set it. A node parsed from the unsigned text carries
// the mark in every libplist version, so it serves both to write the mark and to tell it by
// comparison.
PlistPointer unsignedIntegerNode(std::uint64_t number) {
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><integer>" + std::to_string(number) +
                    "</integer></plist>";
  plist_t node = nullptr;
  plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
  return PlistPointer(node);
}

bool holdsUnsignedMark(plist_t node, std::uint64_t number) {
  PlistPointer unsignedForm = unsignedIntegerNode(number);
  return unsignedForm != nullptr && plist_compare_node_value(node, static_cast<plist_t>(unsignedForm.get())) != 0;
}

Value integerValue(plist_t node) {
  // libplist keeps every integer as 64 bits; negative numbers come back in two's complement.
  std::uint64_t number = 0;
  plist_get_uint_val(node, &number);
  if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) && holdsUnsignedMark(node, number)) {
    return Value::unsignedInteger(number);
  }
  return Value::integer(static_cast<std::int64_t>(number));
}

plist_t integerNode(const Value& value) {
  auto bits = static_cast<std::uint64_t>(*value.asInteger());
  if (value.isUnsignedInteger()) {
    if (PlistPointer node = unsignedIntegerNode(bits)) return static_cast<plist_t>(node.release());
  }
  return plist_new_uint(bits);
}

class NodeReader {
 public:
  std::optional<Value> read(plist_t node, int depth);
  std::string error;

 private:
  std::optional<Value> fail(std::string reason) {
    if (error.empty()) error = std::move(reason);
    return std::nullopt;
  }
  std::optional<Value> readDictionary(plist_t node, int depth);
  std::optional<Value> readArray(plist_t node, int depth);
};

std::optional<Value> NodeReader::read(plist_t node, int depth) {
  if (depth > kMaximumDepth) return fail("the property list is nested too deeply");
  switch (plist_get_node_type(node)) {
    case PLIST_DICT:
      return readDictionary(node, depth);
    case PLIST_ARRAY:
      return readArray(node, depth);
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      if (text == nullptr) return Value(std::string());
      std::string_view bytes(text, length);
      if (bytes.find('\0') != std::string_view::npos) return fail(kTextWithNul);
      // Binary files hold one-byte texts of any bytes; a text that is no UTF-8 could not be written back.
      return Value(validUTF8(bytes));
    }
    case PLIST_UINT:
      return integerValue(node);
    case PLIST_REAL: {
      double number = 0;
      plist_get_real_val(node, &number);
      return Value::real(number);
    }
    case PLIST_BOOLEAN: {
      std::uint8_t flag = 0;
      plist_get_bool_val(node, &flag);
      return Value::boolean(flag != 0);
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      if (bytes == nullptr) return Value(Data{});
      return Value(Data(bytes, bytes + length));
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0;
      std::int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      // The library hands out the fraction without its sign: before the reference date the
      // fraction counts back from the whole seconds. (Within the first second before it, the
      // sign is lost to the library.)
      const double fraction = static_cast<double>(microseconds) / 1e6;
      return Value(Date{seconds < 0 ? seconds - fraction : seconds + fraction});
    }
    default:
      return fail("the property list holds a value of a kind that has no place here");
  }
}

std::optional<Value> NodeReader::readDictionary(plist_t node, int depth) {
  Dictionary dictionary;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  MallocBlock iteratorOwner(static_cast<char*>(iterator));
  for (;;) {
    char* key = nullptr;
    plist_t item = nullptr;
    plist_dict_next_item(node, iterator, &key, &item);
    MallocBlock keyOwner(key);
    if (item == nullptr) break;
    std::optional<Value> value = read(item, depth + 1);
    if (!value) return std::nullopt;
    dictionary.insert_or_assign(validUTF8(key != nullptr ? key : ""), std::move(*value));
  }
  return Value(std::move(dictionary));
}

std::optional<Value> NodeReader::readArray(plist_t node, int depth) {
  Array array;
  std::uint32_t count = plist_array_get_size(node);
  for (std::uint32_t index = 0; index < count; ++index) {
    plist_t item = plist_array_get_item(node, index);
    if (item == nullptr) return fail("the property list has a missing array element");
    std::optional<Value> value = read(item, depth + 1);
    if (!value) return std::nullopt;
    array.push_back(std::move(*value));
  }
  return Value(std::move(array));
}

plist_t makeNode(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Dictionary: {
      plist_t dictionary = plist_new_dict();
      for (const auto& [key, item] : *value.asDictionary()) plist_dict_set_item(dictionary, key.c_str(), makeNode(item));
      return dictionary;
    }
    case Value::Kind::Array: {
      plist_t array = plist_new_array();
      for (const Value& item : *value.asArray()) plist_array_append_item(array, makeNode(item));
      return array;
    }
    case Value::Kind::String:
      return plist_new_string(value.asString()->c_str());
    case Value::Kind::Integer:
      return integerNode(value);
    case Value::Kind::Real:
      return plist_new_real(*value.asReal());
    case Value::Kind::Boolean:
      return plist_new_bool(*value.asBoolean() ? 1 : 0);
    case Value::Kind::Data: {
      const Data& bytes = *value.asData();
      return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case Value::Kind::Date: {
      double seconds = std::floor(value.asDate()->secondsSinceReferenceDate);
      double fraction = value.asDate()->secondsSinceReferenceDate - seconds;
      return plist_new_date(clampToInt32(seconds), clampToInt32(fraction * 1e6));
    }
  }
  return plist_new_string("");
}

}  // namespace

std::optional<Value> PropertyListSerialization::propertyListFromData(std::string_view bytes, std::string* error) {
  auto failWith = [error](std::string reason) -> std::optional<Value> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  if (bytes.empty()) return failWith("the file is empty");
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return failWith("the file is too large");
  if (binaryListHoldsTextWithNul(bytes)) return failWith(kTextWithNul);
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  PlistPointer owner(root);
  if (root == nullptr) return failWith("the file is no property list (neither XML nor binary)");
  plist_type rootType = plist_get_node_type(root);
  if (rootType != PLIST_DICT && rootType != PLIST_ARRAY) return failWith("the property list's root is neither a dictionary nor an array");
  NodeReader reader;
  std::optional<Value> value = reader.read(root, 0);
  if (!value) return failWith(reader.error);
  return value;
}

Data PropertyListSerialization::dataFromPropertyList(const Value& value, Format format) {
  if (value.kind() != Value::Kind::Dictionary && value.kind() != Value::Kind::Array) return {};
  PlistPointer root(makeNode(value));
  char* bytes = nullptr;
  std::uint32_t length = 0;
  if (format == Format::XML) {
    plist_to_xml(static_cast<plist_t>(root.get()), &bytes, &length);
  } else {
    plist_to_bin(static_cast<plist_t>(root.get()), &bytes, &length);
  }
  MallocBlock owner(bytes);
  if (bytes == nullptr) return {};
  return Data(bytes, bytes + length);
}

}  // namespace sw
