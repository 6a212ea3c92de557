// The known-disk table: the reader's field rules, the rows it keeps and skips, and the tables
// the plug-in ships and meets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/EmbeddedFiles.h"
#include "os/SystemLog.h"
#include "os/TemporaryDirectory.h"
#include "smart/TKSKnownSMARTHardDisk.h"

namespace sw::test {
namespace {

using Rows = std::vector<std::string>;

/// "name:identifier" of every row.
Rows rowsOf(const KnownDiskTable& table) {
  Rows rows;
  for (const auto& row : table) rows.push_back(row->productName() + ":" + std::to_string(row->vendorTemperatureAttributeIdentifier()));
  return rows;
}

TEST(KnownDiskTable, FieldRulesOfTheLineFormat) {
  const std::string longName(300, 'n');
  struct Case {
    const char* what;
    std::string text;
    Rows expected;
  };
  const Case cases[] = {
      {"quoted fields keep their blanks", "\"Maxtor 6Y[0-9]{3}[LMP]0\"  194 C \"Maxtor DiamondMax Plus 9\"\n",
       {"Maxtor DiamondMax Plus 9:194"}},
      {"a unit other than C skips the row, not the rows after it", "\"A\" 194 F \"Fahrenheit\"\n\"B\" 190 C \"Second\"\n",
       {"Second:190"}},
      {"identifier 0 is a row without temperature", "\"QUANTUM\" 0 C \"Quantum\"\n", {"Quantum:0"}},
      {"above 255 is skipped", "\"A\" 256 C \"Big\"\n\"B\" 255 C \"Largest\"\n", {"Largest:255"}},
      {"a fourth digit is eaten with the number", "\"A\" 1940C \"Four digits\"\n", {"Four digits:194"}},
      {"no digits read as 0, eating one character", "\"A\" x C \"No number\"\n", {"No number:0"}},
      {"a double quote inside a bare field is a character", "a\"b 194 C x\"y\n", {"x\"y:194"}},
      // A bare last field ends at the line feed, so it cannot swallow the row below it.
      {"bare fields end at the line", "ST3.* 194 C Seagate\n\"WDC\" 194 C \"Western Digital\"\n",
       {"Seagate:194", "Western Digital:194"}},
      {"tabs are blanks, trailing blanks are an empty line", "\t\"A\"\t194\tC\t\"Tabs\"  \t\n", {"Tabs:194"}},
      {"a byte 0xFF ends a field", "\"A\" 194 C \"Name\xFFrest\n", {"Name:194"}},
      {"the end of the file ends a field", "\"A\" 194 C \"Unfinished", {"Unfinished:194"}},
      {"comments and blank lines only", "# a comment\n   \n\t# an indented one\n\n", {}},
      {"an empty file", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rowsOf(TKSKnownSMARTHardDisk::smartDiskTableWithContents(c.text)), c.expected) << c.what;
  }
}

TEST(KnownDiskTable, AFieldIsCutAt256CharactersAndItsRestNeverBecomesAName) {
  const KnownDiskTable table =
      TKSKnownSMARTHardDisk::smartDiskTableWithContents("\"A\" 194 C \"" + std::string(300, 'n') + "\"\n");
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0]->productName(), std::string(256, 'n'));
}

TEST(KnownDiskTable, APatternThatDoesNotCompileIsLoggedAndSkipped) {
  os::CapturedLog log;
  EXPECT_EQ(rowsOf(TKSKnownSMARTHardDisk::smartDiskTableWithContents("\"Maxtor (6Y\" 194 C \"Broken\"\n\"B\" 194 C \"Kept\"\n")),
            Rows{"Kept:194"});
  EXPECT_EQ(log.messages(), std::vector<std::string>{"Could not accept regular expression 'Maxtor (6Y'\n"});
  EXPECT_EQ(TKSKnownSMARTHardDisk::createWithMatchString(nullptr, 194, "x"), nullptr);
  EXPECT_EQ(TKSKnownSMARTHardDisk::createWithMatchString("x", 194, nullptr), nullptr);
}

TEST(KnownDiskTable, MatchingIsUnanchoredUnlessThePatternAnchorsAndTheFirstMatchingRowWins) {
  const KnownDiskTable table = TKSKnownSMARTHardDisk::smartDiskTableWithContents(
      "\"^ST3[0-9]+A$\" 194 C \"Parallel\"\n\"6Y[0-9]{3}\" 190 C \"Early\"\n\"Maxtor\" 194 C \"Late\"\n");
  struct Case {
    const char* model;
    const char* row;
  };
  const Case cases[] = {{"Maxtor 6Y120P0", "Early"}, {"Maxtor 6B200P0", "Late"}, {"ST3160023A", "Parallel"},
                        {"ST3160023AS", nullptr}, {"", nullptr}};
  for (const auto& c : cases) {
    auto row = TKSKnownSMARTHardDisk::firstRowMatching(table, c.model);
    EXPECT_EQ(row ? row->productName() : std::string("(none)"), c.row ? c.row : "(none)") << c.model;
  }
  EXPECT_EQ(table[1]->description(), "Early: Temperature Attribute ID: 190 Supported: YES\n");
  EXPECT_FALSE(TKSKnownSMARTHardDisk::smartDiskTableWithContents("\"Q\" 0 C \"None\"")[0]->supportsTemperatureMonitoring());
}

TEST(KnownDiskTable, AFileIsReadWholeAndAMissingOneIsNoTable) {
  os::testing::TemporaryDirectory directory;
  const auto path = directory.write("hddtemp.db", "# known disks\n\"A\" 194 C \"One\"\n");
  EXPECT_EQ(rowsOf(TKSKnownSMARTHardDisk::smartDiskTableWithPath(path.string()).value_or(KnownDiskTable{})),
            Rows{"One:194"});
  EXPECT_FALSE(TKSKnownSMARTHardDisk::smartDiskTableWithPath((directory.path() / "absent.db").string()));
  EXPECT_FALSE(TKSKnownSMARTHardDisk::smartDiskTableWithPath(std::nullopt));
}

// Every row of the table we ship must be read; a row the reader drops would silently cost a
// legacy disk its sensor.
TEST(KnownDiskTable, EveryRowOfTheShippedTableIsRead) {
  const std::string_view text = embedded::file("resources/Plugin/hddtemp.db").value_or("");
  std::size_t rowLines = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    rowLines += !line.empty() && line.front() != '#' ? 1 : 0;
    start = end + 1;
  }
  os::CapturedLog log;
  const KnownDiskTable table = TKSKnownSMARTHardDisk::smartDiskTableWithContents(text);
  EXPECT_GT(rowLines, 20u);
  EXPECT_EQ(table.size(), rowLines);
  EXPECT_TRUE(log.messages().empty());
}

// A real drive database in the same line format, when the shared data is at hand: 380 rows, one
// of them in Fahrenheit.
constexpr std::size_t kRealDatabaseRows = 380;
constexpr std::size_t kRealDatabaseFahrenheitRows = 1;

TEST(KnownDiskTable, ARealDriveDatabaseReadsEveryCelsiusRow) {
  const std::filesystem::path path = "/work/shared/real-machines/hddtemp/hddtemp.db";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no shared data at " << path;
  os::CapturedLog log;
  const auto table = TKSKnownSMARTHardDisk::smartDiskTableWithPath(path.string());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->size(), kRealDatabaseRows - kRealDatabaseFahrenheitRows);
  EXPECT_TRUE(log.messages().empty()) << log.messages().front();
}

}  // namespace
}  // namespace sw::test
