// Property-list files through libplist, converted to and from Value.
#include "foundation/PropertyListSerialization.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "foundation/Numbers.h"

namespace sw {
namespace {

// Deeper nesting than this is no property list anyone writes, and the conversion recurses.
constexpr int kMaximumDepth = 200;

struct PlistDeleter {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

struct MallocDeleter {
  void operator()(void* block) const { std::free(block); }
};
using MallocBlock = std::unique_ptr<char, MallocDeleter>;

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
      char* text = nullptr;
      plist_get_string_val(node, &text);
      MallocBlock owner(text);
      return Value(std::string(text != nullptr ? text : ""));
    }
    case PLIST_UINT: {
      // libplist keeps every integer as 64 bits; negative numbers come back in two's complement.
      std::uint64_t number = 0;
      plist_get_uint_val(node, &number);
      return Value::integer(static_cast<std::int64_t>(number));
    }
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
      return Value(Date{static_cast<double>(seconds) + static_cast<double>(microseconds) / 1e6});
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
    dictionary.insert_or_assign(std::string(key != nullptr ? key : ""), std::move(*value));
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
      return plist_new_uint(static_cast<std::uint64_t>(*value.asInteger()));
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
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  PlistPointer owner(root);
  if (root == nullptr) return failWith("the file is no property list (neither XML nor binary)");
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
