// Which class derives from which, so that matching a superclass also finds its subclasses.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw::sim {

class ClassHierarchy {
 public:
  /// The built-in table of the system's classes.
  ClassHierarchy();

  /// Adds class → superclass pairs (a profile's IOClassHierarchy); throws ProfileError for a
  /// value that is no string or a pair that would make a class its own ancestor.
  void add(const Dictionary& pairs, const std::string& path);

  /// Whether the class is the named class or derives from it. A class that no table knows is
  /// taken as a direct subclass of IOService, as almost every driver class is.
  bool conformsTo(std::string_view className, std::string_view ancestor) const;

 private:
  std::string_view superclassOf(std::string_view className) const;

  std::map<std::string, std::string, std::less<>> superclasses_;
};

}  // namespace sw::sim
