// Words in byte buffers, read and written byte by byte so that the host's own byte order and
// alignment never matter: little-endian as the Intel kernel gives its records, big-endian as the
// PowerPC machines publish theirs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sw {

/// The unsigned integer in the first `count` bytes (at most 8), lowest byte first.
inline std::uint64_t loadLittleEndian(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t index = count; index-- > 0;) value = value << 8 | bytes[index];
  return value;
}

inline std::uint32_t loadLittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(loadLittleEndian(bytes, 4));
}

/// The unsigned integer in the first `count` bytes (at most 8), highest byte first.
inline std::uint64_t loadBigEndian(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t index = 0; index < count; ++index) value = value << 8 | bytes[index];
  return value;
}

inline void storeLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
  for (std::size_t index = 0; index < 4; ++index) bytes[index] = static_cast<std::uint8_t>(value >> (8 * index));
}

}  // namespace sw
