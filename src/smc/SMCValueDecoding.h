// What the bytes of an SMC value mean: four-character codes, decoding by data type, the
// fixed-point divisors, and the readable texts of values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "smc/TKSSMCKeyData.h"

namespace sw::smc {

/// The key code of a four-character Mac OS Roman key, first character most significant;
/// 0 for a text of another length or one without a Mac OS Roman form.
std::uint32_t fourCharCodeForKeyString(std::string_view key);
/// The four bytes as a zero-terminated text padded with blanks to four characters ("ui8 ").
std::string stringForFourCharCode(std::uint32_t code);

/// 2 to the power of the fraction bits of a known "fpXY"/"spXY" type; -1 for every other code.
float divisorForFloatingPointCode(std::uint32_t typeCode);
/// Whether the type name begins with "sp" or "fp".
bool isFixedPointType(std::uint32_t typeCode);

/// A number (integer, real or boolean), a string or data; nothing for an empty value.
std::optional<Value> objectValueForSMCValue(const TKSSMCValue& value);
/// The decoded value as text: numbers in decimal, strings as they are, data as a hex dump;
/// nothing when the value decodes to nothing.
std::optional<std::string> descriptionForSMCValue(const TKSSMCValue& value);
/// Each byte as "%02x " (blank after the last byte too); "" for no bytes.
std::string readableHexStringForData(const Data& data);

/// The numeric value of a number, booleans included (as the platform's number objects behave);
/// nothing for any other kind.
std::optional<double> numberValue(const std::optional<Value>& value);

}  // namespace sw::smc
