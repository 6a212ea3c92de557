// The one place where doubles become integers: C++ leaves NaN and out-of-range conversions
// undefined, so every such conversion in the project goes through these helpers.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace sw {

/// Truncates toward zero like a C cast, but NaN gives 0 and values beyond the range saturate.
template <typename Integer>
Integer clampToInteger(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lowest = static_cast<double>(std::numeric_limits<Integer>::lowest());
  // The largest value as a double rounds up to a power of two for 64-bit types; compare with >=.
  constexpr double beyondMax = static_cast<double>(std::numeric_limits<Integer>::max()) + 1.0;
  if (value >= beyondMax) return std::numeric_limits<Integer>::max();
  if (value <= lowest) return std::numeric_limits<Integer>::lowest();
  return static_cast<Integer>(value);
}

inline std::int32_t clampToInt32(double value) { return clampToInteger<std::int32_t>(value); }
inline std::uint32_t clampToUInt32(double value) { return clampToInteger<std::uint32_t>(value); }
inline std::int64_t clampToInt64(double value) { return clampToInteger<std::int64_t>(value); }
/// The unsigned 32-bit value of a whole number, as a C conversion to unsigned gives it: -1 is
/// 4294967295. Counts that the hardware reports in a signed type are read this way.
inline std::uint32_t unsignedValueOf(double value) { return static_cast<std::uint32_t>(clampToInt64(value)); }

}  // namespace sw
