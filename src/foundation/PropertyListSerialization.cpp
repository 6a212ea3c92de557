// Property-list files through libplist, converted to and from Value.
#include "foundation/PropertyListSerialization.h"

#include <plist/plist++.h>

#include <cmath>
#include <limits>
#include <memory>

#include "foundation/Numbers.h"

namespace sw {
namespace {

// Deeper nesting than this is no property list anyone writes, and the conversion recurses.
constexpr int kMaximumDepth = 200;

class NodeReader {
 public:
  std::optional<Value> read(const PList::Node& node, int depth);
  std::string error;

 private:
  std::optional<Value> fail(std::string reason) {
    if (error.empty()) error = std::move(reason);
    return std::nullopt;
  }
  std::optional<Value> readDictionary(const PList::Dictionary& node, int depth);
  std::optional<Value> readArray(const PList::Array& node, int depth);
};

std::optional<Value> NodeReader::read(const PList::Node& node, int depth) {
  if (depth > kMaximumDepth) return fail("the property list is nested too deeply");
  switch (node.GetType()) {
    case PLIST_DICT:
      return readDictionary(static_cast<const PList::Dictionary&>(node), depth);
    case PLIST_ARRAY:
      return readArray(static_cast<const PList::Array&>(node), depth);
    case PLIST_STRING:
      return Value(static_cast<const PList::String&>(node).GetValue());
    case PLIST_UINT:
      // libplist keeps every integer as 64 bits; negative numbers come back in two's complement.
      return Value::integer(static_cast<std::int64_t>(static_cast<const PList::Integer&>(node).GetValue()));
    case PLIST_REAL:
      return Value::real(static_cast<const PList::Real&>(node).GetValue());
    case PLIST_BOOLEAN:
      return Value::boolean(static_cast<const PList::Boolean&>(node).GetValue());
    case PLIST_DATA: {
      std::vector<char> bytes = static_cast<const PList::Data&>(node).GetValue();
      return Value(Data(bytes.begin(), bytes.end()));
    }
    case PLIST_DATE: {
      timeval moment = static_cast<const PList::Date&>(node).GetValue();
      return Value(Date{static_cast<double>(moment.tv_sec) + static_cast<double>(moment.tv_usec) / 1e6});
    }
    default:
      return fail("the property list holds a value of a kind that has no place here");
  }
}

std::optional<Value> NodeReader::readDictionary(const PList::Dictionary& node, int depth) {
  Dictionary dictionary;
  for (auto item = node.Begin(); item != node.End(); ++item) {
    if (item->second == nullptr) return fail("the property list has a key without a value");
    std::optional<Value> value = read(*item->second, depth + 1);
    if (!value) return std::nullopt;
    dictionary.insert_or_assign(item->first, std::move(*value));
  }
  return Value(std::move(dictionary));
}

std::optional<Value> NodeReader::readArray(const PList::Array& node, int depth) {
  Array array;
  auto& items = const_cast<PList::Array&>(node);  // the wrapper offers no const element access
  for (std::uint32_t index = 0; index < items.GetSize(); ++index) {
    const PList::Node* item = items[index];
    if (item == nullptr) return fail("the property list has a missing array element");
    std::optional<Value> value = read(*item, depth + 1);
    if (!value) return std::nullopt;
    array.push_back(std::move(*value));
  }
  return Value(std::move(array));
}

std::unique_ptr<PList::Node> makeNode(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Dictionary: {
      auto dictionary = std::make_unique<PList::Dictionary>();
      for (const auto& [key, item] : *value.asDictionary()) dictionary->Set(key, makeNode(item).get());
      return dictionary;
    }
    case Value::Kind::Array: {
      auto array = std::make_unique<PList::Array>();
      for (const Value& item : *value.asArray()) array->Append(makeNode(item).get());
      return array;
    }
    case Value::Kind::String:
      return std::make_unique<PList::String>(*value.asString());
    case Value::Kind::Integer:
      return std::make_unique<PList::Integer>(static_cast<std::uint64_t>(*value.asInteger()));
    case Value::Kind::Real:
      return std::make_unique<PList::Real>(*value.asReal());
    case Value::Kind::Boolean:
      return std::make_unique<PList::Boolean>(*value.asBoolean());
    case Value::Kind::Data:
      return std::make_unique<PList::Data>(std::vector<char>(value.asData()->begin(), value.asData()->end()));
    case Value::Kind::Date: {
      double seconds = std::floor(value.asDate()->secondsSinceReferenceDate);
      double fraction = value.asDate()->secondsSinceReferenceDate - seconds;
      timeval moment{clampToInt32(seconds), clampToInt32(fraction * 1e6)};
      return std::make_unique<PList::Date>(moment);
    }
  }
  return std::make_unique<PList::String>("");
}

}  // namespace

std::optional<Value> PropertyListSerialization::propertyListFromData(std::string_view bytes, std::string* error) {
  auto failWith = [error](std::string reason) -> std::optional<Value> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  if (bytes.empty()) return failWith("the file is empty");
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return failWith("the file is too large");
  std::unique_ptr<PList::Structure> root(
      bytes.starts_with("bplist") ? PList::Structure::FromBin(std::vector<char>(bytes.begin(), bytes.end()))
                                  : PList::Structure::FromXml(std::string(bytes)));
  if (root == nullptr) return failWith("the file is no property list (neither XML nor binary)");
  NodeReader reader;
  std::optional<Value> value = reader.read(*root, 0);
  if (!value) return failWith(reader.error);
  return value;
}

Data PropertyListSerialization::dataFromPropertyList(const Value& value, Format format) {
  std::unique_ptr<PList::Node> root = makeNode(value);
  auto* structure = dynamic_cast<PList::Structure*>(root.get());
  if (structure == nullptr) return {};
  if (format == Format::XML) {
    std::string text = structure->ToXml();
    return Data(text.begin(), text.end());
  }
  std::vector<char> bytes = structure->ToBin();
  return Data(bytes.begin(), bytes.end());
}

}  // namespace sw
