// The sequential (non-keyed) archive: items written one after another, no keys, no version.
// Every item carries a one-byte tag naming its type, so a reader that expects another type, or
// finds the data ending early, fails instead of reinterpreting bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw {

/// A string object that may be absent (nil).
using NullableString = std::optional<std::string>;

class SequentialEncoder {
 public:
  virtual ~SequentialEncoder() = default;

  void encodeInt8(std::int8_t value);      // "c"
  void encodeUInt8(std::uint8_t value);    // "C"
  void encodeInt16(std::int16_t value);    // "s"
  void encodeUInt16(std::uint16_t value);  // "S"
  void encodeInt32(std::int32_t value);    // "i"
  void encodeUInt32(std::uint32_t value);  // "I"
  void encodeInt64(std::int64_t value);    // "q"
  void encodeUInt64(std::uint64_t value);  // "Q"
  void encodeFloat(float value);           // "f"
  void encodeDouble(double value);         // "d"
  void encodeString(std::string_view text);
  /// A string object, or the absent object for nothing.
  void encodeNullableString(const NullableString& text);

  const Data& data() const { return bytes_; }

 private:
  template <typename Number>
  void encodeNumber(char tag, Number value);

  Data bytes_;
};

/// Reads what a SequentialEncoder wrote, item by item in the same order. The first item that is
/// missing, of another type or longer than the data left makes this and every later read fail.
class SequentialDecoder {
 public:
  explicit SequentialDecoder(Data bytes) : bytes_(std::move(bytes)) {}

  std::optional<std::int8_t> decodeInt8();
  std::optional<std::uint8_t> decodeUInt8();
  std::optional<std::int16_t> decodeInt16();
  std::optional<std::uint16_t> decodeUInt16();
  std::optional<std::int32_t> decodeInt32();
  std::optional<std::uint32_t> decodeUInt32();
  std::optional<std::int64_t> decodeInt64();
  std::optional<std::uint64_t> decodeUInt64();
  std::optional<float> decodeFloat();
  std::optional<double> decodeDouble();
  /// A string object; the absent object counts as a failure here.
  std::optional<std::string> decodeString();
  /// A string object or the absent object.
  std::optional<NullableString> decodeNullableString();

  bool failed() const { return failed_; }
  bool atEnd() const { return position_ == bytes_.size(); }

 private:
  template <typename Number>
  std::optional<Number> decodeNumber(char tag);
  /// Consumes the tag when it is the next byte; fails the decoder otherwise.
  bool takeTag(char tag);
  bool nextTagIs(char tag) const;
  /// The next count bytes, or nullptr (and failure) when fewer are left.
  const std::uint8_t* take(std::size_t count);

  Data bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace sw
