// The last value read for one SMC key and when it was read. Every read of a key costs two kernel
// calls, and sensors and discovery read the same keys within moments, so young copies are reused.
#pragma once

#include "smc/TKSSMCKeyData.h"

namespace sw {

class TKSSMCCachedValue {
 public:
  /// Ignores 0, negative values and NaN: the old time stays.
  static void setCacheExpireTime(double seconds);
  static double cacheExpireTime();

  /// Copies the record and stamps it with the current time.
  void setCachedValue(const TKSSMCValue& value);
  TKSSMCValue cachedValue() const { return value_; }
  /// Whether the value is at most the expiry time old; a value never stored is never valid.
  bool isValid() const;

 private:
  double timestamp_ = 0.0;
  TKSSMCValue value_;
};

}  // namespace sw
