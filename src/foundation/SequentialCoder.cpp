// The sequential archive: a tag byte per item, numbers little-endian in their exact widths,
// strings as a 32-bit byte count followed by their UTF-8 bytes.
#include "foundation/SequentialCoder.h"

#include <bit>

namespace sw {
namespace {

constexpr char kStringTag = '@';
constexpr char kNilTag = '0';

template <std::size_t Size>
struct UnsignedOfSize;
template <>
struct UnsignedOfSize<1> { using type = std::uint8_t; };
template <>
struct UnsignedOfSize<2> { using type = std::uint16_t; };
template <>
struct UnsignedOfSize<4> { using type = std::uint32_t; };
template <>
struct UnsignedOfSize<8> { using type = std::uint64_t; };

template <typename Number>
using BitsOf = typename UnsignedOfSize<sizeof(Number)>::type;

}  // namespace

template <typename Number>
void SequentialEncoder::encodeNumber(char tag, Number value) {
  bytes_.push_back(static_cast<std::uint8_t>(tag));
  auto bits = std::bit_cast<BitsOf<Number>>(value);
  for (std::size_t i = 0; i < sizeof(Number); ++i) {
    bytes_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
}

void SequentialEncoder::encodeInt8(std::int8_t value) { encodeNumber('c', value); }
void SequentialEncoder::encodeUInt8(std::uint8_t value) { encodeNumber('C', value); }
void SequentialEncoder::encodeInt16(std::int16_t value) { encodeNumber('s', value); }
void SequentialEncoder::encodeUInt16(std::uint16_t value) { encodeNumber('S', value); }
void SequentialEncoder::encodeInt32(std::int32_t value) { encodeNumber('i', value); }
void SequentialEncoder::encodeUInt32(std::uint32_t value) { encodeNumber('I', value); }
void SequentialEncoder::encodeInt64(std::int64_t value) { encodeNumber('q', value); }
void SequentialEncoder::encodeUInt64(std::uint64_t value) { encodeNumber('Q', value); }
void SequentialEncoder::encodeFloat(float value) { encodeNumber('f', value); }
void SequentialEncoder::encodeDouble(double value) { encodeNumber('d', value); }

void SequentialEncoder::encodeString(std::string_view text) {
  // The count is the item's own 32-bit field, written like an "I" value without its tag.
  encodeNumber(kStringTag, static_cast<std::uint32_t>(text.size()));
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void SequentialEncoder::encodeNullableString(const NullableString& text) {
  if (text) {
    encodeString(*text);
  } else {
    bytes_.push_back(static_cast<std::uint8_t>(kNilTag));
  }
}

const std::uint8_t* SequentialDecoder::take(std::size_t count) {
  if (failed_ || bytes_.size() - position_ < count) {
    failed_ = true;
    return nullptr;
  }
  const std::uint8_t* start = bytes_.data() + position_;
  position_ += count;
  return start;
}

bool SequentialDecoder::nextTagIs(char tag) const {
  return !failed_ && position_ < bytes_.size() && bytes_[position_] == static_cast<std::uint8_t>(tag);
}

bool SequentialDecoder::takeTag(char tag) {
  if (!nextTagIs(tag)) {
    failed_ = true;
    return false;
  }
  ++position_;
  return true;
}

template <typename Number>
std::optional<Number> SequentialDecoder::decodeNumber(char tag) {
  if (!takeTag(tag)) return std::nullopt;
  const std::uint8_t* start = take(sizeof(Number));
  if (start == nullptr) return std::nullopt;
  BitsOf<Number> bits = 0;
  for (std::size_t i = 0; i < sizeof(Number); ++i) {
    bits |= static_cast<BitsOf<Number>>(static_cast<BitsOf<Number>>(start[i]) << (8 * i));
  }
  return std::bit_cast<Number>(bits);
}

std::optional<std::int8_t> SequentialDecoder::decodeInt8() { return decodeNumber<std::int8_t>('c'); }
std::optional<std::uint8_t> SequentialDecoder::decodeUInt8() { return decodeNumber<std::uint8_t>('C'); }
std::optional<std::int16_t> SequentialDecoder::decodeInt16() { return decodeNumber<std::int16_t>('s'); }
std::optional<std::uint16_t> SequentialDecoder::decodeUInt16() { return decodeNumber<std::uint16_t>('S'); }
std::optional<std::int32_t> SequentialDecoder::decodeInt32() { return decodeNumber<std::int32_t>('i'); }
std::optional<std::uint32_t> SequentialDecoder::decodeUInt32() { return decodeNumber<std::uint32_t>('I'); }
std::optional<std::int64_t> SequentialDecoder::decodeInt64() { return decodeNumber<std::int64_t>('q'); }
std::optional<std::uint64_t> SequentialDecoder::decodeUInt64() { return decodeNumber<std::uint64_t>('Q'); }
std::optional<float> SequentialDecoder::decodeFloat() { return decodeNumber<float>('f'); }
std::optional<double> SequentialDecoder::decodeDouble() { return decodeNumber<double>('d'); }

std::optional<std::string> SequentialDecoder::decodeString() {
  std::optional<std::uint32_t> length = decodeNumber<std::uint32_t>(kStringTag);
  if (!length) return std::nullopt;
  const std::uint8_t* start = take(*length);
  if (start == nullptr) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(start), *length);
}

std::optional<NullableString> SequentialDecoder::decodeNullableString() {
  if (nextTagIs(kNilTag)) {
    ++position_;
    return NullableString();
  }
  std::optional<std::string> text = decodeString();
  if (!text) return std::nullopt;
  return NullableString(std::move(*text));
}

}  // namespace sw
