// Property lists in their two file forms, XML and binary, read into and written from Value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw {

class PropertyListSerialization {
 public:
  enum class Format { XML, Binary };

  /// Parses an XML or a binary property list (the form is recognised from the bytes) whose root
  /// is a dictionary or an array; texts that are no valid UTF-8 are repaired. Nothing, and a
  /// one-line reason in *error when given, for bytes that are no property list, a root of another
  /// kind, or a text holding a NUL character.
  static std::optional<Value> propertyListFromData(std::string_view bytes, std::string* error = nullptr);

  /// The property list in the requested form. Only a dictionary or an array can be the root of a
  /// property-list file; any other value gives no bytes.
  static Data dataFromPropertyList(const Value& value, Format format);
};

}  // namespace sw
