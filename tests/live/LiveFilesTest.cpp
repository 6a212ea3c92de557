// The file layer below the live root: bounded reads, no way out of the root, and writes that
// never change a recorded tree.
#include <gtest/gtest.h>

#include "live/KeyValueText.h"
#include "live/LiveFiles.h"
#include "os/TemporaryDirectory.h"

namespace sw::live {
namespace {

TEST(LiveFiles, PathsOutsideTheRootAndRelativePathsReadNothing) {
  os::testing::TemporaryDirectory outer;
  outer.write("secret", "do not read");
  outer.write("root/etc/hostname", "mac\n");
  LiveFiles files(outer.path() / "root");
  EXPECT_EQ(files.read("/etc/hostname"), "mac\n");
  EXPECT_EQ(files.read("/../secret"), std::nullopt);
  EXPECT_EQ(files.read("/etc/../../secret"), std::nullopt);
  EXPECT_EQ(files.read("etc/hostname"), std::nullopt);
  EXPECT_TRUE(files.list("/../").empty());
}

TEST(LiveFiles, AFileLargerThanItsLimitReadsAsMissing) {
  os::testing::TemporaryDirectory tree;
  tree.write("big", std::string(5000, 'x'));
  LiveFiles files(tree.path());
  EXPECT_EQ(files.read("/big", 4999), std::nullopt);
  EXPECT_EQ(files.read("/big", 5000)->size(), 5000u);
}

TEST(LiveFiles, IntegersAreWholeDecimalLinesOnly) {
  os::testing::TemporaryDirectory tree;
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"1309\n", 1309}, {"-127000\n", -127000}, {"  42  \n", 42}, {"", std::nullopt}, {"12abc\n", std::nullopt},
      {"(1,0)\n", std::nullopt}, {"99999999999999999999\n", std::nullopt}};
  LiveFiles files(tree.path());
  for (const auto& [text, expected] : cases) {
    tree.write("value", text);
    EXPECT_EQ(files.readInteger("/value"), expected) << text;
  }
}

TEST(LiveFiles, AWriteToARecordedTreeSelectsItsFolderAndNeverChangesAFile) {
  os::testing::TemporaryDirectory tree;
  tree.write("dev/key_at_index", "0\n");
  tree.write("dev/key_at_index_name", "#KEY\n");
  tree.write("dev/key_at_index.d/1/key_at_index_name", "TC0D\n");
  LiveFiles files(tree.path());
  EXPECT_TRUE(files.writeAttribute("/dev/key_at_index", "1"));
  EXPECT_EQ(files.read("/dev/key_at_index_name"), "TC0D\n");
  // No recorded folder for 2, and a plain file is no kernel attribute: refused, left as it was.
  EXPECT_FALSE(files.writeAttribute("/dev/key_at_index", "2"));
  EXPECT_FALSE(files.writeAttribute("/dev/key_at_index", "../1"));
  EXPECT_EQ(tree.read("dev/key_at_index"), "0\n");
}

TEST(KeyValueText, BlocksSplitAtBlankLinesAndQuotesComeOff) {
  const auto blocks = keyValueBlocks("processor\t: 0\nmodel name\t: A: B\n\nprocessor\t: 1\nno separator\n", ':');
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].at("model name"), "A: B");
  EXPECT_EQ(blocks[1].at("processor"), "1");
  EXPECT_EQ(unquoted(R"("Debian \"GNU\"/Linux")"), R"(Debian "GNU"/Linux)");
  EXPECT_EQ(unquoted("'12'"), "12");
  EXPECT_EQ(unquoted("\""), "\"");
}

}  // namespace
}  // namespace sw::live
