// Sending objects to another process: the coder of a connection either copies an object into the
// message or, when it asks for a reference, sends a proxy through which the receiver reaches the
// original. Objects choose their replacement with replacementObjectForPortCoder.
#pragma once

#include <memory>
#include <utility>
#include <variant>

#include "foundation/SequentialCoder.h"

namespace sw {

class PortCoder : public SequentialEncoder {
 public:
  explicit PortCoder(bool byReference) : byReference_(byReference) {}

  /// Whether the object being sent is asked for by reference rather than by copy.
  bool isByref() const { return byReference_; }

 private:
  bool byReference_;
};

/// Stands in for an object that stays in this process; it keeps the original alive.
template <typename Object>
class DistantObjectProxy {
 public:
  explicit DistantObjectProxy(std::shared_ptr<const Object> original) : original_(std::move(original)) {}

  const std::shared_ptr<const Object>& original() const { return original_; }

 private:
  std::shared_ptr<const Object> original_;
};

/// What goes into the message in place of an object: the object itself (a copy) or a proxy.
template <typename Object>
using PortReplacement = std::variant<Object, DistantObjectProxy<Object>>;

/// A proxy for the original when the coder asks for a reference, else the object by copy.
template <typename Object>
PortReplacement<Object> replacementForPortCoder(const PortCoder& coder, std::shared_ptr<const Object> original) {
  if (coder.isByref()) return DistantObjectProxy<Object>(std::move(original));
  return *original;
}

}  // namespace sw
