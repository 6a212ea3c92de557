// The keys of a simulated System Management Controller, read from an entry's @SMCKeys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "sim/Signal.h"

namespace sw::sim {

/// A four-character code, first character in the most significant byte ("#KEY" is 0x234B4559).
using FourCharCode = std::uint32_t;

struct SMCKey {
  FourCharCode code = 0;
  FourCharCode type = 0;
  Data bytes;                    // as the controller delivers them; their count is the data size
  std::optional<Signal> signal;  // when set, the bytes follow it at read time
  bool fails = false;            // both calls for this key answer an I/O Kit error
  bool hidden = false;           // readable by name, but neither listed by index nor counted

  /// The value bytes at this moment.
  Data currentBytes() const;
};

class SMCKeyTable {
 public:
  /// Reads the array of key dictionaries; throws ProfileError below `path` ("<path>/<index>").
  /// Without a "#KEY" entry, one of type "ui32" is put first holding the number of listed keys.
  static SMCKeyTable parse(const Value& keys, const std::string& path);

  /// Every key in index order, hidden ones included.
  const std::vector<SMCKey>& keys() const { return keys_; }
  const SMCKey* keyWithCode(FourCharCode code) const;
  /// The listed (not hidden) key at an index; nullptr beyond the end.
  const SMCKey* keyAtIndex(std::size_t index) const;
  std::size_t listedKeyCount() const { return listed_.size(); }

 private:
  std::vector<SMCKey> keys_;
  std::vector<std::size_t> listed_;  // positions in keys_ of the listed keys
};

/// The code as its four characters (Mac OS Roman bytes shown as UTF-8), e.g. "TC0D".
std::string fourCharCodeText(FourCharCode code);

/// The number two bytes of a fixed-point type ("fpXY", "spXY") stand for; nothing for other
/// types, fixed-point names without a valid split of bits, or another count of bytes.
std::optional<double> fixedPointValue(FourCharCode type, const Data& bytes);

}  // namespace sw::sim
