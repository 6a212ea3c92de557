// Shared pieces of the fuzz harnesses: cutting the fuzzer's bytes into the parts a harness feeds
// to the code under test, and stopping loudly when a property that must hold does not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "foundation/Value.h"

namespace sw::fuzz {

inline std::string_view bytesAsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

inline std::string_view bytesAsText(const Data& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// Reads the input front to back; once it runs out every piece is empty, so a harness never
/// has to check sizes itself.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : rest_(bytesAsText(data, size)) {}

  /// The next byte, or 0 when none is left.
  std::uint8_t takeByte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }

  /// The bytes before the next separator (which is consumed), or everything left.
  std::string_view takeUntil(char separator) {
    const std::size_t end = rest_.find(separator);
    const std::string_view piece = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return piece;
  }

  std::string_view takeRest() {
    const std::string_view piece = rest_;
    rest_ = {};
    return piece;
  }

 private:
  std::string_view rest_;
};

inline Data textAsBytes(std::string_view text) { return Data(text.begin(), text.end()); }

/// Stops the run with the broken property; the fuzzer then keeps the input as a crash.
inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", property);
  std::abort();
}

}  // namespace sw::fuzz
