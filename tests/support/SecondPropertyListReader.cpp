// Running plistlib over settings files and comparing what it reads with our reading.
#include "support/SecondPropertyListReader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "foundation/PropertyListSerialization.h"

namespace sw::test {
namespace {

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

std::string quoted(const std::string& argument) {
  std::string text = "'";
  for (char c : argument) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

bool pythonIsInstalled() {
  static const bool installed = std::system("command -v python3 >/dev/null 2>&1") == 0;
  return installed;
}

}  // namespace

std::string canonicalPropertyListText(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Dictionary: {
      std::string text = "{";
      for (const auto& [key, element] : *value.asDictionary()) {
        text += "s" + hex(key) + ":" + canonicalPropertyListText(element) + ",";
      }
      return text + "}";
    }
    case Value::Kind::Array: {
      std::string text = "[";
      for (const auto& element : *value.asArray()) text += canonicalPropertyListText(element) + ",";
      return text + "]";
    }
    case Value::Kind::String: return "s" + hex(*value.asString());
    case Value::Kind::Integer:
      // An unsigned number above 2^63-1 is that number, as any other reader shows it.
      return "i" + (value.isUnsignedInteger() ? std::to_string(static_cast<std::uint64_t>(*value.asInteger()))
                                              : std::to_string(*value.asInteger()));
    case Value::Kind::Real: {
      std::uint64_t bits = std::bit_cast<std::uint64_t>(*value.asReal());
      std::string littleEndian;
      for (int i = 0; i < 8; ++i, bits >>= 8) littleEndian += static_cast<char>(bits & 0xFF);
      return "r" + hex(littleEndian);
    }
    case Value::Kind::Boolean: return *value.asBoolean() ? "b1" : "b0";
    case Value::Kind::Data: {
      const Data& bytes = *value.asData();
      return "d" + hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case Value::Kind::Date:
      return "t" + std::to_string(std::llround(value.asDate()->secondsSinceReferenceDate * 1e6));
  }
  return {};
}

std::optional<std::string> canonicalTextByPlistlib(const std::filesystem::path& file) {
  if (!pythonIsInstalled()) return std::nullopt;
  const std::string command = "python3 " + quoted(std::string(SW_TEST_SUPPORT_DIR) + "/plistlib_canonical.py") + " " +
                              quoted(file.string()) + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return std::string("plistlib: cannot run python3");
  std::string output;
  char buffer[4096];
  for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, count);
  const int status = ::pclose(pipe);
  if (!output.empty() && output.back() == '\n') output.pop_back();
  return status == 0 ? output : "plistlib: " + output;
}

void expectOtherReaderAgreesOnEveryPlist(const std::filesystem::path& directory) {
  if (!pythonIsInstalled()) {
    static bool told = false;
    if (!told) std::fprintf(stderr, "note: python3 is missing; settings files are not checked with plistlib\n");
    told = true;
    return;
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".plist") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const std::optional<Value> ours = PropertyListSerialization::propertyListFromData(bytes);
    ASSERT_TRUE(ours) << entry.path() << " is not readable by our own reader";
    EXPECT_EQ(canonicalTextByPlistlib(entry.path()), canonicalPropertyListText(*ours)) << entry.path();
  }
}

}  // namespace sw::test
