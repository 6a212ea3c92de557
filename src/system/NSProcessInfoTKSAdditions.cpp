// The operating-system version record and the process-table lookups.
#include "system/NSProcessInfoTKSAdditions.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include <fmt/format.h>

#include "foundation/ByteOrder.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessState.h"
#include "foundation/TextEncoding.h"
#include "os/Host.h"

namespace sw {
namespace {

constexpr std::string_view kVersionFilePath = "/System/Library/CoreServices/SystemVersion.plist";

struct VersionRecord {
  std::string productName;
  std::string versionNumber;
  std::string buildCode;
  std::int32_t versionCode = NSProcessInfoTKSAdditions::kFallbackVersionCode;
};

std::unique_ptr<VersionRecord>& versionRecordSlot() {
  static std::unique_ptr<VersionRecord> record;
  return record;
}

std::string stringFor(const Dictionary& dictionary, std::string_view key) {
  const auto found = dictionary.find(key);
  if (found == dictionary.end()) return {};
  const std::string* text = found->second.asString();
  return text ? *text : std::string{};
}

VersionRecord readVersionRecord() {
  VersionRecord record;
  const auto file = os::readPropertyListFile(kVersionFilePath);
  const Dictionary* contents = file ? file->asDictionary() : nullptr;
  if (!contents || contents->empty()) return record;
  record.productName = stringFor(*contents, "ProductName");
  record.versionNumber = stringFor(*contents, "ProductVersion");
  record.buildCode = stringFor(*contents, "ProductBuildVersion");
  // A file without a version number keeps the code of a missing file.
  if (!record.versionNumber.empty()) {
    record.versionCode = NSProcessInfoTKSAdditions::versionCodeForVersionNumber(record.versionNumber);
  }
  return record;
}

const VersionRecord& versionRecord() {
  if (!versionRecordSlot()) NSProcessInfoTKSAdditions::updateVersionInfo();
  return *versionRecordSlot();
}

/// Reads a decimal integer as scanf's %d would, saturating instead of overflowing.
std::optional<std::int64_t> scanInteger(std::string_view text, std::size_t* position) {
  std::size_t at = *position;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  const std::size_t firstDigit = at;
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = std::min<std::int64_t>(magnitude * 10 + (text[at] - '0'), kLimit);
  }
  if (at == firstDigit) return std::nullopt;
  *position = at;
  return negative ? -magnitude : magnitude;
}

void skipDot(std::string_view text, std::size_t* position) {
  if (*position < text.size() && text[*position] == '.') ++*position;
}

// ---- The kernel's process table, as 32-bit kinfo_proc records ----

constexpr std::size_t kProcessRecordSize = 492;
constexpr std::size_t kProcessIDOffset = 24;
constexpr std::size_t kCommandOffset = 163;
constexpr std::size_t kCommandFieldSize = 17;  // 16 characters and their terminator
constexpr std::size_t kCommandCompareLength = 16;
constexpr std::size_t kEffectiveUserIDOffset = 304;

struct ProcessRecord {
  std::int32_t processID;
  std::string_view command;  // the bytes up to the terminator, at most the field's size
  std::uint32_t effectiveUserID;
};

ProcessRecord decodeProcessRecord(const std::uint8_t* record) {
  const char* command = reinterpret_cast<const char*>(record + kCommandOffset);
  const void* terminator = std::memchr(command, 0, kCommandFieldSize);
  const std::size_t commandLength =
      terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) - command) : kCommandFieldSize;
  return {static_cast<std::int32_t>(loadLittleEndian32(record + kProcessIDOffset)),
          std::string_view(command, commandLength), loadLittleEndian32(record + kEffectiveUserIDOffset)};
}

/// The whole records of the table; nothing when the kernel refuses either request, including
/// when the table grew between asking for its size and fetching it.
std::optional<std::vector<ProcessRecord>> fetchProcessTable(Data* storage) {
  const int name[] = {os::CTL_KERN, os::KERN_PROC, os::KERN_PROC_ALL};
  std::size_t size = 0;
  if (os::sysctl(name, 3, nullptr, &size, nullptr, 0) != 0) return std::nullopt;
  storage->assign(size, 0);
  if (os::sysctl(name, 3, storage->data(), &size, nullptr, 0) != 0) return std::nullopt;
  // The kernel reports what it wrote; never trust it beyond the buffer, and drop a partial record.
  const std::size_t received = std::min(size, storage->size());
  std::vector<ProcessRecord> records;
  for (std::size_t offset = 0; offset + kProcessRecordSize <= received; offset += kProcessRecordSize) {
    records.push_back(decodeProcessRecord(storage->data() + offset));
  }
  return records;
}

/// strncmp over the command field's 16 characters: a longer name matches the command that is
/// its beginning.
bool commandMatches(std::string_view command, std::string_view name) {
  const std::size_t nameEnd = std::min(name.find('\0'), name.size());
  const std::string_view boundedName = name.substr(0, std::min(nameEnd, kCommandCompareLength));
  return command.substr(0, kCommandCompareLength) == boundedName;
}

}  // namespace

void NSProcessInfoTKSAdditions::updateVersionInfo() {
  if (!versionRecordSlot()) registerProcessStateReset([] { versionRecordSlot().reset(); });
  versionRecordSlot() = std::make_unique<VersionRecord>(readVersionRecord());
}

std::int32_t NSProcessInfoTKSAdditions::operatingSystemVersionCode() { return versionRecord().versionCode; }
std::string NSProcessInfoTKSAdditions::operatingSystemProductName() { return versionRecord().productName; }
std::string NSProcessInfoTKSAdditions::operatingSystemVersionNumberString() {
  return versionRecord().versionNumber;
}
std::string NSProcessInfoTKSAdditions::operatingSystemBuildCode() { return versionRecord().buildCode; }

std::string NSProcessInfoTKSAdditions::operatingSystemVersionString() {
  const VersionRecord& record = versionRecord();
  if (record.versionNumber.empty()) return {};
  return fmt::format("Version {} (Build {})", record.versionNumber, record.buildCode);
}

std::int32_t NSProcessInfoTKSAdditions::versionCodeForVersionNumber(std::string_view versionNumber) {
  std::size_t position = 0;
  const std::int64_t major = scanInteger(versionNumber, &position).value_or(10);
  skipDot(versionNumber, &position);
  const std::int64_t minor = scanInteger(versionNumber, &position).value_or(0);
  skipDot(versionNumber, &position);
  const std::int64_t third = scanInteger(versionNumber, &position).value_or(0);
  const std::int64_t code = ((major / 10) * 16 + (major % 10)) * 256 + minor * 16 + third;
  return clampToInt32(static_cast<double>(code));
}

std::optional<std::vector<std::int32_t>> NSProcessInfoTKSAdditions::identifiersForRunningProcessesNamed(
    std::string_view name) {
  if (name.empty()) return std::nullopt;
  Data storage;
  const auto table = fetchProcessTable(&storage);
  if (!table) return std::nullopt;
  std::vector<std::int32_t> identifiers;
  for (const ProcessRecord& record : *table) {
    if (record.processID > 0 && commandMatches(record.command, name)) identifiers.push_back(record.processID);
  }
  return identifiers;
}

bool NSProcessInfoTKSAdditions::isProcessRunningWithName(std::string_view name) {
  const auto identifiers = identifiersForRunningProcessesNamed(name);
  return identifiers && !identifiers->empty();
}

std::optional<std::string> NSProcessInfoTKSAdditions::processNameForProcessIDGetEffectiveUserID(
    std::int32_t processID, std::uint32_t* effectiveUserID) {
  Data storage;
  const auto table = fetchProcessTable(&storage);
  if (!table) return std::nullopt;
  const auto match = std::find_if(table->begin(), table->end(),
                                  [processID](const ProcessRecord& record) { return record.processID == processID; });
  if (match == table->end()) return std::nullopt;
  // A name that is no valid UTF-8 cannot be made into a string.
  if (validUTF8(match->command) != match->command) return std::nullopt;
  if (effectiveUserID) *effectiveUserID = match->effectiveUserID;
  return std::string(match->command);
}

}  // namespace sw
