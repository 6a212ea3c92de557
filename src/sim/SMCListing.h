// Key listings of real controllers, as the command-line SMC tools print them:
//   [TC0D] type [sp78] 73703738 len [ 2] attr [C0] -> 2D80
// with "NOT READABLE…" in place of the bytes for keys the system may not read, and the
// controller's private keys after a "Hidden keys" line. Turned into a profile's key list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace sw::sim {

struct SMCListingKey {
  std::string key;          // four Mac OS Roman bytes
  std::uint32_t type = 0;   // the type code as the hex column gives it
  Data bytes;               // zero bytes of the listed size for an unreadable key
  bool readable = true;
  bool hidden = false;
};

/// The keys of a listing in order; nothing and a reason naming the line for a malformed one,
/// including one that lists a key a second time.
std::optional<std::vector<SMCListingKey>> parseSMCListing(std::string_view text, std::string* error);

/// Signal dicts on readable temperatures, fan speeds and powers, so a simulated machine moves.
enum class SMCListingSignals { None, Added };

/// The key dictionaries of a simulated controller: Key, Type (text, or four bytes of data when
/// the code has bytes a text cannot hold), Bytes, and Fail / Hidden where the listing says so.
Array smcKeysFromListing(const std::vector<SMCListingKey>& keys, SMCListingSignals signals);

}  // namespace sw::sim
