#include "config/template_config_parser.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "diagnostics/build_failure.h"
#include "diagnostics/testing.h"
#include "util/format.h"

namespace kx {
namespace {

// The thirteen statements of an entry in their fixed order, with values that tell every field apart.
const char* const kStatements[] = {"dll blank \"blank.dll\";",
                                   "max routine count 16;",
                                   "max object count 32;",
                                   "step data array offset 0x1000, rows 512;",
                                   "routine count offset 0x2000;",
                                   "position array offset 0x2004, rows 24;",
                                   "name array offset 0x2100, rows 64, cols 32;",
                                   "routine speed array offset 0x2900;",
                                   "integer array offset 0x2A00, rows 48;",
                                   "routine priority array offset 0x2B00;",
                                   "routine offset array offset 0x2C00;",
                                   "objective array offset 0x2D00, rows 8, cols 128;",
                                   "routine debug array offset 0xFFFFFFFF;"};

// Two entries: "Standard", one statement a line, and "standard" in upper case, its statements on one line.
std::string Good_File() {
  std::string text =
      "// Configuration of the parser tests\ntemplate list {\n  template entry \"Standard\" {\n";
  for (const char* statement : kStatements) text += "    " + std::string(statement) + "\n";
  text += "  }\n  TEMPLATE ENTRY \"standard\"\n  {";
  for (std::string statement : kStatements) {
    for (std::size_t i = 0; i < statement.size(); ++i)
      if (statement[i] != 'x' || statement[i - 1] != '0')
        statement[i] = static_cast<char>(std::toupper(statement[i]));
    text += " " + statement;
  }
  return text + " }\n} // end of list\n";
}

// The numbers of an entry in the order of its statements.
// clang-format off
std::vector<std::int32_t> Numbers(const TemplateConfig& c) {
  return {c.max_routine_count, c.max_object_count, c.step_data_array_offset, c.step_data_array_rows,
          c.routine_count_offset, c.position_array_offset, c.position_array_rows, c.name_array_offset,
          c.name_array_rows, c.name_array_cols, c.routine_speed_array_offset, c.integer_array_offset,
          c.integer_array_rows, c.routine_priority_array_offset, c.routine_offset_array_offset,
          c.objective_array_offset, c.objective_array_rows, c.objective_array_cols,
          c.routine_debug_array_offset};
}
// clang-format on

class TemplateConfigParserTest : public ::testing::Test {
 protected:
  // Parses the file; the line of its BuildFailure, or -1 when it succeeds.
  int Read(const std::string& path) {
    path_ = path;
    try {
      parser_.Read_Template_File(path);
    } catch (const BuildFailure& failure) {
      return failure.line();
    }
    return -1;
  }
  int Parse(const std::string& content) { return Read(dir_.Write("Kestrix.conf", content).string()); }
  int Count() const { return parser_.templates() ? parser_.templates()->count() : -1; }

  testing::TempDir dir_;
  testing::CapturedContext errors_{true, 79}, notices_{false, 79};
  TemplateConfigParser parser_{errors_.context, notices_.context};
  std::string path_;
};

TEST_F(TemplateConfigParserTest, StoresEveryStatementOfEveryEntryInFileOrder) {
  ASSERT_EQ(Parse(Good_File()), -1) << errors_.Text();
  EXPECT_EQ(notices_.Text(), "Processing file: \"" + path_ + "\"\n\nNumber of lines processed: 20");
  EXPECT_EQ(parser_.directory(), dir_.path());
  const TemplateList& list = *parser_.templates();
  ASSERT_EQ(list.count(), 2);
  const TemplateConfig &first = *list.First(), &second = *list.Last();
  EXPECT_EQ(first.name + " " + first.dll_blank + " " + second.name + " " + second.dll_blank,
            "Standard blank.dll standard BLANK.DLL");
  const std::vector<std::int32_t> numbers = {16,     32,     0x1000, 512,    0x2000, 0x2004, 24,
                                             0x2100, 64,     32,     0x2900, 0x2A00, 48,     0x2B00,
                                             0x2C00, 0x2D00, 8,      128,    -1};
  EXPECT_EQ(Numbers(first), numbers);
  EXPECT_EQ(Numbers(second), numbers);
  // Names are told apart byte for byte.
  EXPECT_EQ(list.Find_By_Name("standard"), &second);
  EXPECT_EQ(list.Find_By_Name("STANDARD"), nullptr);
  EXPECT_EQ(list.Find_By_Name("Stand"), nullptr);
  // A second parse starts a fresh list.
  ASSERT_EQ(Parse("TEMPLATE List {\n}"), -1);
  EXPECT_EQ(Count(), 0);
}

TEST_F(TemplateConfigParserTest, RefusesMalformedFilesWithAPositionedDiagnostic) {
  const std::string good = Good_File();
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    return std::string(good).replace(good.find(from), from.size(), to);
  };
  // The file, the line and column the diagnostic marks, its message and the entries kept.
  const std::tuple<std::string, int, int, const char*, int> cases[] = {
      {replaced("offset 0x1000", "offset 4096"), 7, 31, "Found an integer when expecting a hexadecimal.", 0},
      {replaced("rows 512", "rows 0x10"), 7, 44, "Found a hexadecimal when expecting an integer.", 0},
      {replaced("    step", "    max object count 32;\n    step"), 7, 7, "Found 'max' when expecting 'step'.",
       0},
      {good.substr(0, good.find("    routine speed")), 10, 47,
       "Found an end of file when expecting 'routine'.", 0},
      {replaced("}\n  TEMPLATE", "};\n  TEMPLATE"), 17, 4, "Found ';' when expecting '}', or 'template'.", 1},
      {replaced("\"standard\"", "\"Standard\""), 18, 27,
       "The template entry name 'Standard' had been defined previously.", 1},
      {good + ";", 21, 1, "Found ';' when expecting an end of file.", 2},
      {"", 0, 0, "Found an end of file when expecting 'template'.", 0},
  };
  for (const auto& [content, line, column, message, kept] : cases) {
    notices_.entries.clear();
    EXPECT_EQ(Parse(content), line) << message;
    // The listed line as read, its line feed included.
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) start = content.find('\n', start) + 1;
    const std::string listed = line == 0 ? "" : content.substr(start, content.find('\n', start) + 1 - start);
    EXPECT_EQ(errors_.Text(), std::string(message) + "\n" + std::string(6 + std::max(column, 1), '-') +
                                  "v\n" + Format_Printf("%5d: %s", line, listed.c_str()) +
                                  "\nPlease correct the error and try again.\n");
    EXPECT_EQ(Count(), kept) << message;
    EXPECT_EQ(notices_.entries.size(), 2u);  // the failure ends the parse before its closing notice
    errors_.entries.clear();
  }
}

// The notice is wrapped at the log's width.
TEST_F(TemplateConfigParserTest, AMissingFileFailsWithLineZeroAndDropsTheEarlierList) {
  ASSERT_EQ(Parse(Good_File()), -1);
  const std::string folder = "absent/" + std::string(40, 'd');
  EXPECT_EQ(Read(folder + "/Kestrix.conf"), 0);
  EXPECT_EQ(errors_.Text(), "The input file '" + folder + "/Kestrix.conf'\ndoes not exists.");
  EXPECT_EQ(parser_.templates(), nullptr);
  EXPECT_EQ(parser_.directory(), std::filesystem::path(folder));
}

}  // namespace
}  // namespace kx
