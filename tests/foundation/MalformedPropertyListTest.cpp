// Property lists from outside holding NUL characters (libplist aborts on some), bytes that are no
// UTF-8, or a root of another kind: each is refused with a reason or read so it can be written back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/PropertyListSerialization.h"

namespace sw {
namespace {

using Format = PropertyListSerialization::Format;

constexpr const char* kTextWithNul = "the property list holds a text with a NUL character in it";
constexpr const char* kRootOfOtherKind = "the property list's root is neither a dictionary nor an array";
const std::string kReplacement = "\xEF\xBF\xBD";

// A binary property list of the given objects with one-byte offsets and references; object 0 is the root.
std::string binaryList(const std::vector<std::string>& objects) {
  std::string bytes = "bplist00";
  std::string offsets;
  for (const std::string& object : objects) {
    offsets.push_back(static_cast<char>(bytes.size()));
    bytes += object;
  }
  const char tableStart = static_cast<char>(bytes.size());
  bytes += offsets;
  bytes += std::string("\0\0\0\0\0\0\1\1", 8);
  bytes += std::string(7, '\0') + static_cast<char>(objects.size());
  bytes += std::string(8, '\0');
  bytes += std::string(7, '\0') + tableStart;
  return bytes;
}

const std::string kDictionaryOfOneEntry("\xD1\x01\x02", 3);
const std::string kArrayOfOne("\xA1\x01", 2);
const std::string kIntegerOne("\x10\x01", 2);
const std::string kUTF16WithNul("\x63\x00k\x00\x00\x00y", 7);
const std::string kLongUTF16WithNul("\x6F\x10\x03\x00k\x00\x00\x00y", 9);
const std::string kXMLHead = "<?xml version=\"1.0\"?><plist version=\"1.0\">";

struct MalformedList {
  const char* fault;
  std::string bytes;
  const char* refusal;  // nothing when the list is read
  Value readAs;
};

const MalformedList kMalformedLists[] = {
    {"an XML text holding a NUL", kXMLHead + std::string("<array><string>a\0b</string></array></plist>", 44), kTextWithNul, {}},
    {"a binary UTF-16 key holding a NUL", binaryList({kDictionaryOfOneEntry, kUTF16WithNul, kIntegerOne}), kTextWithNul, {}},
    {"a long binary UTF-16 key holding a NUL", binaryList({kDictionaryOfOneEntry, kLongUTF16WithNul, kIntegerOne}), kTextWithNul, {}},
    {"a binary UTF-16 text holding a NUL", binaryList({kArrayOfOne, kUTF16WithNul}), kTextWithNul, {}},
    {"an XML text as the root", kXMLHead + "<string>alone</string></plist>", kRootOfOtherKind, {}},
    {"a binary one-byte text with a byte above 0x7F", binaryList({kArrayOfOne, "\x52k\xB5"}), nullptr,
     Value(Array{Value("k" + kReplacement)})},
    {"a binary one-byte key with a byte above 0x7F", binaryList({kDictionaryOfOneEntry, "\x52k\xB5", kIntegerOne}), nullptr,
     Value(Dictionary{{"k" + kReplacement, Value::integer(1)}})},
};

TEST(MalformedPropertyList, IsRefusedWithAReasonOrReadInAFormThatCanBeWrittenBack) {
  for (const MalformedList& list : kMalformedLists) {
    SCOPED_TRACE(list.fault);
    std::string error;
    std::optional<Value> value = PropertyListSerialization::propertyListFromData(list.bytes, &error);
    if (list.refusal != nullptr) {
      EXPECT_FALSE(value.has_value());
      EXPECT_EQ(error, list.refusal);
      continue;
    }
    ASSERT_TRUE(value.has_value()) << error;
    EXPECT_EQ(*value, list.readAs);
    for (Format format : {Format::XML, Format::Binary}) {
      Data written = PropertyListSerialization::dataFromPropertyList(*value, format);
      std::optional<Value> reread =
          PropertyListSerialization::propertyListFromData(std::string(written.begin(), written.end()), &error);
      ASSERT_TRUE(reread.has_value()) << error;
      EXPECT_EQ(*reread, *value);
    }
  }
}

}  // namespace
}  // namespace sw
