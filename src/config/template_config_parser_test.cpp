#include "config/template_config_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "util/format.h"
#include "diagnostics/build_failure.h"
#include "diagnostics/error_sink.h"
#include "diagnostics/testing.h"

namespace kx {
namespace {

constexpr char kHint[] = "Please correct the error and try again.";

// Two entries: the first with lowercase keywords, the second with keywords in
// mixed case and values at the edges (0, a hexadecimal above the signed range).
const std::string kGoodFile =
    "// Configuration used by the parser tests\n"
    "template list {\n"
    "  template entry \"Standard\" {\n"
    "    dll blank \"blank.dll\";\n"
    "    max routine count 16;\n"
    "    max object count 32;\n"
    "    step data array offset 0x1000, rows 512;\n"
    "    routine count offset 0x2000;\n"
    "    position array offset 0x2004, rows 24;\n"
    "    name array offset 0x2100, rows 64, cols 32;\n"
    "    routine speed array offset 0x2900;\n"
    "    integer array offset 0x2A00, rows 48;\n"
    "    routine priority array offset 0x2B00;\n"
    "    routine offset array offset 0x2C00;\n"
    "    objective array offset 0x2D00, rows 8, cols 128;\n"
    "    routine debug array offset 0x3100;\n"
    "  }\n"
    "  TEMPLATE ENTRY \"Large\" { // keywords in any case\n"
    "    DLL Blank \"templates//large.dll\";\n"
    "    Max Routine Count 64;\n"
    "    MAX OBJECT COUNT 0;\n"
    "    Step Data Array Offset 0x10000, Rows 4096;\n"
    "    Routine Count Offset 0x20000;\n"
    "\tPosition Array Offset 0x20004, Rows 100;\n"
    "    Name Array Offset 0x20400, Rows 256, Cols 64;\n"
    "    Routine Speed Array Offset 0x24400;\n"
    "    Integer Array Offset 0x24500, Rows 200;\n"
    "    Routine Priority Array Offset 0x24800;\n"
    "    Routine Offset Array Offset 0x24900;\n"
    "    Objective Array Offset 0x24a00, Rows 16, Cols 256;\n"
    "    Routine Debug Array Offset 0xFFFFFFFF;\n"
    "  }\n"
    "} // end of list\n";

// kGoodFile with one whole line (or run of lines) replaced; the text must occur once.
std::string Replace(const std::string& from, const std::string& to) {
  std::string text = kGoodFile;
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A positioned diagnostic as the error context's entries read when joined;
// `source` is the listed line as read, its line feed included.
std::string Listing(const std::string& message, int line, int column, const std::string& source) {
  const std::string arrow = std::string(7 + (column > 1 ? column - 1 : 0), '-') + "v";
  return message + "\n" + arrow + "\n" + Format_Printf("%5d: %s", line, source.c_str()) + "\n" + kHint + "\n";
}

class TemplateConfigParserTest : public ::testing::Test {
 protected:
  // Writes the file and parses it; the BuildFailure line, or -1 on success.
  int Parse(const std::string& content) {
    path_ = dir_.Write("Kestrix.conf", content).string();
    try {
      parser_.Read_Template_File(path_);
    } catch (const BuildFailure& failure) {
      return failure.line();
    }
    return -1;
  }

  int Count() const { return parser_.templates() ? parser_.templates()->count() : -1; }

  testing::TempDir dir_;
  testing::CapturedContext errors_{true, 79};
  testing::CapturedContext notices_{false, 79};
  TemplateConfigParser parser_{errors_.context, notices_.context};
  std::string path_;
};

TEST_F(TemplateConfigParserTest, StoresEveryFieldOfEveryEntryInFileOrder) {
  ASSERT_EQ(Parse(kGoodFile), -1) << errors_.Text();
  EXPECT_TRUE(errors_.entries.empty());
  EXPECT_EQ(notices_.entries, (std::vector<std::string>{"Processing file: \"" + path_ + "\"", "",
                                                        "Number of lines processed: 33"}));
  EXPECT_EQ(parser_.directory(), dir_.path());
  ASSERT_EQ(Count(), 2);
  const TemplateConfig& standard = *parser_.templates()->First();
  const TemplateConfig& large = *parser_.templates()->Last();
  EXPECT_EQ(standard.name, "Standard");
  EXPECT_EQ(standard.dll_blank, "blank.dll");
  EXPECT_EQ(large.name, "Large");
  EXPECT_EQ(large.dll_blank, "templates//large.dll");

  using Field = std::int32_t TemplateConfig::*;
  const struct {
    Field field;
    std::int32_t standard, large;
  } numbers[] = {
      {&TemplateConfig::max_routine_count, 16, 64},
      {&TemplateConfig::max_object_count, 32, 0},
      {&TemplateConfig::name_array_offset, 0x2100, 0x20400},
      {&TemplateConfig::name_array_rows, 64, 256},
      {&TemplateConfig::name_array_cols, 32, 64},
      {&TemplateConfig::objective_array_offset, 0x2D00, 0x24A00},
      {&TemplateConfig::objective_array_rows, 8, 16},
      {&TemplateConfig::objective_array_cols, 128, 256},
      {&TemplateConfig::step_data_array_offset, 0x1000, 0x10000},
      {&TemplateConfig::step_data_array_rows, 512, 4096},
      {&TemplateConfig::position_array_offset, 0x2004, 0x20004},
      {&TemplateConfig::position_array_rows, 24, 100},
      {&TemplateConfig::integer_array_offset, 0x2A00, 0x24500},
      {&TemplateConfig::integer_array_rows, 48, 200},
      {&TemplateConfig::routine_count_offset, 0x2000, 0x20000},
      {&TemplateConfig::routine_speed_array_offset, 0x2900, 0x24400},
      {&TemplateConfig::routine_priority_array_offset, 0x2B00, 0x24800},
      {&TemplateConfig::routine_offset_array_offset, 0x2C00, 0x24900},
      {&TemplateConfig::routine_debug_array_offset, 0x3100, -1},
  };
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    EXPECT_EQ(standard.*numbers[i].field, numbers[i].standard) << "field " << i;
    EXPECT_EQ(large.*numbers[i].field, numbers[i].large) << "field " << i;
  }

  // A second parse starts a fresh list.
  ASSERT_EQ(Parse("TEMPLATE List {\n} // nothing\n"), -1) << errors_.Text();
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(notices_.entries.back(), "Number of lines processed: 2");
}

TEST_F(TemplateConfigParserTest, NeedsNoBlankBeforeANumberAndTellsEntryNamesApartByCase) {
  std::string text = Replace("\"Large\"", "\"standard\"");
  text.replace(text.find("offset 0x1000, rows 512"), 23, "offset0x1A0,rows5");
  ASSERT_EQ(Parse(text), -1) << errors_.Text();
  const TemplateList& list = *parser_.templates();
  EXPECT_EQ(list.First()->step_data_array_offset, 0x1A0);
  EXPECT_EQ(list.First()->step_data_array_rows, 5);
  ASSERT_TRUE(list.Find_By_Name("Standard") && list.Find_By_Name("standard"));
  EXPECT_EQ(list.Find_By_Name("Standard")->dll_blank, "blank.dll");
  EXPECT_EQ(list.Find_By_Name("standard")->dll_blank, "templates//large.dll");
  EXPECT_EQ(list.Find_By_Name("STANDARD"), nullptr);
  EXPECT_EQ(list.Find_By_Name("Stand"), nullptr);
}

// Line `line` of `text`, its line feed included; "" for line 0.
std::string Line_Of(const std::string& text, int line) {
  std::size_t start = 0;
  for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
  return line == 0 ? "" : text.substr(start, text.find('\n', start) + 1 - start);
}

TEST_F(TemplateConfigParserTest, RefusesMalformedFilesWithAPositionedDiagnostic) {
  const std::string offset = "step data array offset 0x1000, rows 512;";
  const struct {
    const char* title;
    std::string content;
    int line;
    const char* message;
    int column;
    int entries_kept;
  } failures[] = {
      {"offset in decimal", Replace(offset, "step data array offset 4096, rows 512;"), 7,
       "Found an integer when expecting a hexadecimal.", 31, 0},
      {"rows in hexadecimal", Replace(offset, "step data array offset 0x1000, rows 0x10;"), 7,
       "Found a hexadecimal when expecting an integer.", 44, 0},
      {"uppercase 0X prefix", Replace(offset, "step data array offset 0X1000, rows 512;"), 7,
       "Found an integer when expecting a hexadecimal.", 28, 0},
      {"statement repeated", Replace("    " + offset, "    max object count 32;\n    " + offset), 7,
       "Found 'max' when expecting 'step'.", 7, 0},
      {"misspelt keyword", Replace("max routine count 16", "max routine cont 16"), 5, "Invalid lexeme.", 17,
       0},
      {"keywords run together", Replace("max routine count 16", "maxroutine count 16"), 5, "Invalid lexeme.",
       5, 0},
      {"file ends early", kGoodFile.substr(0, kGoodFile.find("    routine speed")), 10,
       "Found an end of file when expecting 'routine'.", 47, 0},
      {"text after the list", Replace("} // end of list\n", "};\n"), 33,
       "Found ';' when expecting an end of file.", 2, 2},
      {"text between entries", Replace("  }\n  TEMPLATE", "  };\n  TEMPLATE"), 17,
       "Found ';' when expecting '}', or 'template'.", 4, 1},
      {"entry name repeated", Replace("\"Large\"", "\"Standard\""), 18,
       "The template entry name 'Standard' had been defined previously.", 27, 1},
      {"empty file", "", 0, "Found an end of file when expecting 'template'.", 0, 0},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.title);
    errors_.entries.clear();
    notices_.entries.clear();
    EXPECT_EQ(Parse(failure.content), failure.line);
    EXPECT_EQ(errors_.Text(),
              Listing(failure.message, failure.line, failure.column, Line_Of(failure.content, failure.line)));
    EXPECT_EQ(Count(), failure.entries_kept);
    EXPECT_EQ(notices_.entries.size(), 2u);  // the failure ends the parse before its closing notice
  }
}

TEST_F(TemplateConfigParserTest, AMissingFileFailsWithLineZeroAndDropsTheEarlierList) {
  ASSERT_EQ(Parse(kGoodFile), -1);
  try {
    parser_.Read_Template_File("absent/Kestrix.conf");
    FAIL() << "no failure";
  } catch (const BuildFailure& failure) {
    EXPECT_EQ(failure.line(), 0);
  }
  EXPECT_EQ(errors_.entries,
            (std::vector<std::string>{"The input file 'absent/Kestrix.conf' does not exists."}));
  EXPECT_EQ(parser_.templates(), nullptr);
  EXPECT_EQ(parser_.directory(), std::filesystem::path("absent"));
}

// The program's log: both contexts append to one file, unchanged and unwrapped
// beyond the width.
TEST(TemplateConfigParserLog, AppendsNoticesAndTheDiagnosticToTheLogFile) {
  testing::TempDir dir;
  const std::filesystem::path log = dir.path() / "Kestrix.log";
  ErrorContext errors(79, std::make_unique<LogFileSink>(true, log));
  ErrorContext notices(79, std::make_unique<LogFileSink>(false, log));
  TemplateConfigParser parser(errors, notices);

  const std::string good = dir.Write("good.conf", "template list {\n}\n").string();
  parser.Read_Template_File(good);
  EXPECT_EQ(testing::Read_File(log), "Processing file: \"" + good + "\"\n\nNumber of lines processed: 2");

  std::filesystem::remove(log);
  const std::string bad = dir.Write("bad.conf", "template list {\n  template entry 7\n").string();
  EXPECT_THROW(parser.Read_Template_File(bad), BuildFailure);
  EXPECT_EQ(testing::Read_File(log), "Processing file: \"" + bad +
                                         "\"\n\n"
                                         "Found an integer when expecting a string.\n"
                                         "------------------------v\n"
                                         "    2:   template entry 7\n"
                                         "\n"
                                         "Please correct the error and try again.\n"
                                         "\n");
}

}  // namespace
}  // namespace kx
