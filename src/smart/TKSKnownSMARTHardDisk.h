// One row of the known-disk table: a regular expression over disk model numbers and the
// S.M.A.R.T. attribute in which those disks report their temperature; and the reader of the
// table file (one row per line, the line format of the common drive databases).
#pragma once

#include <regex.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw {

class TKSKnownSMARTHardDisk;
using KnownDiskTable = std::vector<std::shared_ptr<TKSKnownSMARTHardDisk>>;

class TKSKnownSMARTHardDisk {
 public:
  /// The rows of the file in file order; nothing when the file cannot be opened for reading.
  static std::optional<KnownDiskTable> smartDiskTableWithPath(const std::optional<std::string>& path);
  /// The rows of the table text (the file's bytes) in order; rows that are malformed, not in
  /// Celsius or whose pattern does not compile are left out.
  static KnownDiskTable smartDiskTableWithContents(std::string_view contents);
  /// The first row whose expression matches the model number, in table order.
  static std::shared_ptr<TKSKnownSMARTHardDisk> firstRowMatching(const KnownDiskTable& table,
                                                                 const std::string& productName);
  /// nullptr when the pattern or the name is missing or the pattern does not compile (logged).
  static std::shared_ptr<TKSKnownSMARTHardDisk> createWithMatchString(const char* pattern, std::uint8_t attributeID,
                                                                      const char* name);

  ~TKSKnownSMARTHardDisk();
  TKSKnownSMARTHardDisk(const TKSKnownSMARTHardDisk&) = delete;
  TKSKnownSMARTHardDisk& operator=(const TKSKnownSMARTHardDisk&) = delete;

  /// The compiled expression (REG_EXTENDED | REG_NOSUB), for regexec.
  const regex_t* regularMatchExpression() const { return &matchingExpression_; }
  /// Whether the model number matches the row's expression (anywhere, unless it anchors itself).
  bool matchesProductName(const std::string& productName) const;
  bool supportsTemperatureMonitoring() const { return temperatureAttributeIdentifier_ != 0; }
  std::uint8_t vendorTemperatureAttributeIdentifier() const { return temperatureAttributeIdentifier_; }
  std::string productName() const { return productName_; }
  std::string description() const;

 private:
  TKSKnownSMARTHardDisk() = default;

  regex_t matchingExpression_{};
  bool compiled_ = false;  // a failed compilation leaves nothing to free
  std::uint8_t temperatureAttributeIdentifier_ = 0;
  std::string productName_;
};

}  // namespace sw
