// Reading controller key listings and turning them into key dictionaries of a profile.
#include "sim/SMCListing.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <regex>
#include <set>

#include "foundation/TextEncoding.h"
#include "sim/SMCKeyTable.h"

namespace sw::sim {
namespace {

constexpr std::size_t kMaximumDataSize = 32;

const std::regex& keyLinePattern() {
  static const std::regex pattern(
      R"(^\[(.{4})\] type \[.{4}\] ([0-9A-Fa-f]{8}) len \[ *([0-9]+)\] attr \[[0-9A-Fa-f]{2}\] -> (.*)$)");
  return pattern;
}

std::optional<Data> hexBytes(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  Data bytes;
  for (std::size_t index = 0; index < hex.size(); index += 2) {
    std::uint8_t byte = 0;
    auto [end, error] = std::from_chars(hex.data() + index, hex.data() + index + 2, byte, 16);
    if (error != std::errc() || end != hex.data() + index + 2) return std::nullopt;
    bytes.push_back(byte);
  }
  return bytes;
}

std::optional<SMCListingKey> parseKeyLine(const std::string& line, bool hidden, std::string* reason) {
  std::smatch match;
  if (!std::regex_match(line, match, keyLinePattern())) {
    *reason = "not a key line";
    return std::nullopt;
  }
  SMCListingKey key;
  key.key = match[1].str();
  key.type = std::uint32_t(std::stoul(match[2].str(), nullptr, 16));
  key.hidden = hidden;
  std::size_t size = std::stoul(match[3].str().substr(0, 3));
  if (size > kMaximumDataSize) {
    *reason = "a data size above 32";
    return std::nullopt;
  }
  std::string value = match[4].str();
  if (value.starts_with("NOT READABLE")) {
    key.readable = false;
    key.bytes = Data(size, 0);
    return key;
  }
  std::optional<Data> bytes = hexBytes(value);
  if (!bytes || bytes->size() != size) {
    *reason = "the bytes do not match the listed size";
    return std::nullopt;
  }
  key.bytes = std::move(*bytes);
  return key;
}

bool holdsOnlyPrintableBytes(std::uint32_t code) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    std::uint8_t byte = (code >> shift) & 0xFF;
    if (byte < 0x20 || byte > 0x7E) return false;
  }
  return true;
}

Value typeValue(std::uint32_t code) {
  if (holdsOnlyPrintableBytes(code)) return Value(fourCharCodeText(code));
  return Value(Data{std::uint8_t(code >> 24), std::uint8_t(code >> 16), std::uint8_t(code >> 8), std::uint8_t(code)});
}

/// How a kind of key moves over time: a share of its value as amplitude, a period, noise.
struct SignalShape {
  char firstLetter;
  double relativeAmplitude;
  double period;
  double relativeNoise;
};

constexpr SignalShape kSignalShapes[] = {
    {'T', 0.05, 60.0, 0.01},
    {'F', 0.10, 90.0, 0.01},
    {'P', 0.20, 45.0, 0.02},
};

std::optional<Value> signalFor(const SMCListingKey& key) {
  bool isFanSpeed = key.key.size() == 4 && key.key[0] == 'F' && key.key.substr(2) == "Ac";
  if (!key.readable) return std::nullopt;
  if (key.key[0] == 'F' && !isFanSpeed) return std::nullopt;
  std::optional<double> base = fixedPointValue(key.type, key.bytes);
  if (!base || !(*base > 0)) return std::nullopt;
  for (const SignalShape& shape : kSignalShapes) {
    if (key.key[0] != shape.firstLetter) continue;
    return Value(Dictionary{{"Base", Value::real(*base)},
                            {"Amplitude", Value::real(*base * shape.relativeAmplitude)},
                            {"Period", Value::real(shape.period)},
                            {"Noise", Value::real(*base * shape.relativeNoise)}});
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<SMCListingKey>> parseSMCListing(std::string_view text, std::string* error) {
  std::vector<SMCListingKey> keys;
  std::set<std::string> listedKeys;  // a controller has each key once; a simulated one refuses repeats
  bool hidden = false;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("Hidden keys")) hidden = true;
    if (!line.starts_with("[")) continue;  // headers, blank lines
    std::string reason;
    std::optional<SMCListingKey> key = parseKeyLine(line, hidden, &reason);
    if (key && !listedKeys.insert(key->key).second) {
      reason = fmt::format("key \"{}\" is listed twice", macRomanToUTF8(key->key));
      key.reset();
    }
    if (!key) {
      if (error) *error = fmt::format("line {}: {}", lineNumber, reason);
      return std::nullopt;
    }
    keys.push_back(std::move(*key));
  }
  return keys;
}

Array smcKeysFromListing(const std::vector<SMCListingKey>& keys, SMCListingSignals signals) {
  Array entries;
  for (const SMCListingKey& key : keys) {
    Dictionary entry{{"Key", Value(macRomanToUTF8(key.key))}, {"Type", typeValue(key.type)}, {"Bytes", Value(key.bytes)}};
    if (!key.readable) entry.emplace("Fail", Value::boolean(true));
    if (key.hidden) entry.emplace("Hidden", Value::boolean(true));
    if (signals == SMCListingSignals::Added) {
      if (std::optional<Value> signal = signalFor(key)) entry.emplace("Signal", *signal);
    }
    entries.push_back(Value(std::move(entry)));
  }
  return entries;
}

}  // namespace sw::sim
