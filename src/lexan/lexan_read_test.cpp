#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "lexan/lexan.h"
#include "lexan/lexan_test_support.h"

namespace kx {
namespace {

using testing::kAllScanners;
using testing::kConfigScanners;
using testing::KW_TEMPLATE;
using testing::LexanHarness;

std::string Arrow(int column) { return std::string(7 + (column > 1 ? column - 1 : 0), '-') + "v"; }

void Read_To_End(Lexan& lexan) {
  while (lexan.Lexan_Token() != LEXAN_END_OF_FILE) lexan.Lexan_Get_Token();
}

TEST(LexanListing, WorkedExample) {
  LexanHarness h(kConfigScanners);
  h.Open("template list\n{\n" + std::string(9, '\n') + "    max routine cont 8;\n}\n");
  const std::vector<std::string> entries = h.Failure([&] { Read_To_End(h.lexan); });
  ASSERT_EQ(entries, LexanHarness::Listing("Invalid lexeme.", std::string(23, '-') + "v",
                                           {"   12:     max routine cont 8;", ""}));
  EXPECT_EQ(entries[1].find('v'), entries[2].find("cont"));
  EXPECT_EQ(h.lexan.Lexan_Line(), 12);
  EXPECT_EQ(h.lexan.Lexan_Column(), 17);
}

// What would otherwise be read as something else is refused where it stands:
// a zero byte (the rest of its line would go unseen) and a number greater
// than 32 bits can hold (it would be cut to another value).
TEST(LexanListing, InvalidLexemesZeroBytesAndNumbersBeyond32Bits) {
  struct Case {
    std::string input;
    int column;
    std::vector<std::string> listed;
    const char* message = "Invalid lexeme.";
  };
  const std::vector<Case> cases = {
      {"\t#\n", 9, {"    1:         #", ""}},
      {"ab\t#\n", 9, {"    1: ab      #", ""}},
      {"abcdefgh\t#\n", 17, {"    1: abcdefgh        #", ""}},
      {"a/b\n", 2, {"    1: a/b", ""}},
      {"max\rroutine\n", 4, {"    1: max\rroutine", ""}},
      {"max\r\r\n", 4, {"    1: max\r", ""}},
      {"\xe9\n", 1, {"    1: \xe9", ""}},
      {"\x01\n", 1, {"    1: \x01", ""}},
      {"max 5 %d %s\n", 7, {"    1: max 5 %d %s", ""}},
      {std::string("max\0routine\n", 12), 4, {"    1: max"}},
      {std::string("max \"a\0b\"\n", 10), 7, {"    1: max \"a"}},
      {std::string("\0\n", 2), 1, {"    1: "}},
      {"max 4294967296\n", 14, {"    1: max 4294967296", ""}, "Integer value greater than 4294967295."},
      {"99999999999999999999999 max\n",
       23,
       {"    1: 99999999999999999999999 max", ""},
       "Integer value greater than 4294967295."},
      {"0x100000000\n", 11, {"    1: 0x100000000", ""}, "Hexadecimal value greater than 0xFFFFFFFF."},
      {"0x0FFFFFFFFF\n", 12, {"    1: 0x0FFFFFFFFF", ""}, "Hexadecimal value greater than 0xFFFFFFFF."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    LexanHarness h(kAllScanners);
    auto read = [&] {
      h.Open(c.input);
      Read_To_End(h.lexan);
    };
    EXPECT_EQ(h.Failure(read), LexanHarness::Listing(c.message, Arrow(c.column), c.listed));
    EXPECT_EQ(h.lexan.Lexan_Line(), 1);
  }
}

TEST(LexanListing, ArrowAndLineAreHardBrokenAtTheWidth) {
  LexanHarness h(kConfigScanners, 79);
  EXPECT_EQ(h.Failure([&] { h.Open(std::string(79, ' ') + "#\n"); }),
            LexanHarness::Listing("Invalid lexeme.", std::string(79, '-'),
                                  {std::string(7, '-') + "v", "    1: " + std::string(72, ' '),
                                   std::string(7, ' ') + "#", ""}));
}

TEST(LexanListing, ClientErrorKeepsPercentSignsOfItsArguments) {
  LexanHarness h(kConfigScanners);
  h.Open("max\n");
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Error("Value %s is %d%% too large.", "x%dy", 5); }),
            LexanHarness::Listing("Value x%dy is 5% too large.", Arrow(3), {"    1: max", ""}));
}

TEST(LexanReading, TokensAndLineCounts) {
  struct Case {
    std::string input;
    std::vector<std::string> tokens;
    int lines;
  };
  const std::vector<Case> cases = {
      {"", {}, 0},
      {"max\nroutine", {"'max'", "'routine'"}, 2},
      {"max\r\nroutine\r\n", {"'max'", "'routine'"}, 2},
      {"// only a comment\n \t \n\nmax// trailing\n//\n", {"'max'"}, 5},
      {std::string("max// a \0 in a comment\nlist", 27), {"'max'", "'list'"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    LexanHarness h(kConfigScanners);
    h.Open(c.input);
    EXPECT_EQ(h.Tokens(), c.tokens);
    EXPECT_EQ(h.lexan.Lexan_Line(), c.lines);
    h.lexan.Lexan_Get_Token();  // reading past the end changes nothing
    EXPECT_EQ(h.lexan.Lexan_Token(), LEXAN_END_OF_FILE);
    EXPECT_EQ(h.lexan.Lexan_Line(), c.lines);
    h.lexan.Lexan_Close_File();
    h.lexan.Lexan_Close_File();
  }
}

TEST(LexanReading, LinesOfUpTo511CharactersAreReadWhole) {
  for (const char* line_end : {"\n", "\r\n"}) {
    LexanHarness h(kConfigScanners);
    h.Open("max" + std::string(line_end) + std::string(504, ' ') + "routine" + line_end + "list");
    std::vector<std::string> seen;
    while (h.lexan.Lexan_Token() != LEXAN_END_OF_FILE) {
      seen.push_back(h.Describe() + "@" + std::to_string(h.lexan.Lexan_Line()) + ":" +
                     std::to_string(h.lexan.Lexan_Column()));
      h.lexan.Lexan_Get_Token();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"'max'@1:3", "'routine'@2:511", "'list'@3:4"}));
  }
}

TEST(LexanReading, LinesOf512CharactersOrMoreAreRefusedUnderTheirOwnNumber) {
  struct Case {
    const char* name;
    std::string line;
    std::string listed;
  };
  const std::vector<Case> cases = {
      {"512 characters", std::string(505, ' ') + "routine", std::string(505, ' ') + "routine"},
      {"600 characters", std::string(600, 'a'), std::string(512, 'a')},
      {"510 characters with a leading tab", "\t" + std::string(509, 'a'),
       std::string(8, ' ') + std::string(504, 'a')},
      {"511 characters and a lone carriage return", std::string(511, 'a') + "\rx",
       std::string(511, 'a') + "\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LexanHarness h(kConfigScanners, 0);
    h.Open("max\n" + std::string(507, ' ') + "list\n" + c.line + "\nroutine\n");
    h.lexan.Lexan_Get_Token();
    EXPECT_EQ(h.lexan.Lexan_Line(), 2);
    EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Get_Token(); }),
              LexanHarness::Listing("Size of input line greater than or equal to 512 characters.", Arrow(0),
                                    {"    3: " + c.listed}));
    EXPECT_EQ(h.lexan.Lexan_Line(), 3);
  }
}

// The file is read in blocks of 64 KiB: a line, a CR LF pair, a tab or a
// name that crosses from one block into the next reads as any other.
TEST(LexanReading, BlockBoundariesChangeNothing) {
  constexpr std::size_t kBlock = 64 * 1024;
  const std::string line = "MAX\tsome_name 12 Name maxx\r\n";
  for (std::size_t shift = 0; shift <= line.size(); ++shift) {
    SCOPED_TRACE(shift);
    // Comment lines, so that byte `shift` of `line` opens the second block.
    std::string content;
    const std::size_t start = kBlock - shift;
    while (content.size() + 100 < start) content += "// " + std::string(60, 'x') + "\n";
    content += "//" + std::string(start - content.size() - 3, 'y') + "\n";
    const int lines_before = static_cast<int>(std::count(content.begin(), content.end(), '\n'));
    content += line + "//" + std::string(508, 'c') + "\n" + "12\n";
    LexanHarness h(kAllScanners);
    h.Open(content);
    std::vector<std::string> tokens;
    for (; h.lexan.Lexan_Token() != LEXAN_END_OF_FILE; h.lexan.Lexan_Get_Token())
      tokens.push_back(std::to_string(h.lexan.Lexan_Line()) + " " + h.Describe());
    const std::string first = std::to_string(lines_before + 1) + " ";
    EXPECT_EQ(tokens,
              (std::vector<std::string>{first + "'max'", first + "a literal [some_name]",
                                        first + "an integer 12", first + "'name'", first + "a literal [maxx]",
                                        std::to_string(lines_before + 3) + " an integer 12"}));
  }
  // A line of 512 characters is refused also when it crosses into the next block.
  LexanHarness h(kAllScanners);
  std::string filler;
  while (filler.size() < kBlock - 300) filler += "// " + std::string(60, 'x') + "\n";
  const std::vector<std::string> entries =
      h.Failure([&] { h.Open(filler + "//" + std::string(510, 'c') + "\n"); });
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0], "Size of input line greater than or equal to 512 characters.");
  EXPECT_EQ(h.lexan.Lexan_Line(), static_cast<int>(filler.size() / 64) + 1);
}

TEST(LexanExpected, Messages) {
  struct Case {
    std::vector<int> kinds;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{'}'}, "Found a string when expecting '}'."},
      {{'}', KW_TEMPLATE}, "Found a string when expecting '}', or 'template'."},
      {{'{', LEXAN_INTEGER, KW_TEMPLATE}, "Found a string when expecting '{', an integer, or 'template'."},
      {{LEXAN_INTEGER, LEXAN_ELLIPSIS, LEXAN_END_OF_FILE},
       "Found a string when expecting an integer, ..., or an end of file."},
  };
  for (const Case& c : cases) {
    LexanHarness h(kConfigScanners);
    h.Open("  \"abc\" max\n");
    auto expect = [&] {
      switch (c.kinds.size()) {
        case 1:
          h.lexan.Lexan_Expected({c.kinds[0]});
        case 2:
          h.lexan.Lexan_Expected({c.kinds[0], c.kinds[1]});
        default:
          h.lexan.Lexan_Expected({c.kinds[0], c.kinds[1], c.kinds[2]});
      }
    };
    // The arrow marks the last character of the current token.
    EXPECT_EQ(h.Failure(expect), LexanHarness::Listing(c.message, Arrow(7), {"    1:   \"abc\" max", ""}));
  }
}

// At the end of the input the last line is listed.
TEST(LexanExpected, MatchAdvancesOrNamesTheRequiredKind) {
  LexanHarness h(kConfigScanners);
  h.Open("template list {\n");
  h.lexan.Lexan_Match(KW_TEMPLATE);
  EXPECT_EQ(h.lexan.Lexan_Token(), testing::KW_LIST);
  EXPECT_EQ(
      h.Failure([&] { h.lexan.Lexan_Match('{'); }),
      LexanHarness::Listing("Found 'list' when expecting '{'.", Arrow(13), {"    1: template list {", ""}));
  h.lexan.Lexan_Get_Token();
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Match(';'); }),
            LexanHarness::Listing("Found an end of file when expecting ';'.", Arrow(15),
                                  {"    1: template list {", ""}));
}

TEST(LexanOpen, MissingFileIsReportedWithoutListing) {
  LexanHarness h(kConfigScanners);
  const std::string path = (h.dir.path() / "missing.conf").string();
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Open_File(path); }),
            (std::vector<std::string>{"The input file '" + path + "' does not exists."}));
  h.lexan.Lexan_Close_File();
}

TEST(LexanOpen, ReadingNeedsACurrentContext) {
  testing::CapturedContext captured(true);
  testing::TempDir dir;
  Lexan lexan(captured.context, "");
  lexan.Lexan_Create_Context();
  lexan.Lexan_Add_Scanner(Scan_Integer);
  EXPECT_THROW(lexan.Lexan_Open_File(dir.Write("in.txt", "\n  5").string()), BuildFailure);
  EXPECT_EQ(captured.entries,
            (std::vector<std::string>{
                "File    : lexan/lexan", "Line    : " + std::to_string(captured.context.line()),
                "Routine : Lexan_Get_Token", "", "Unable to find current lexan context."}));
}

#ifdef __linux__
TEST(LexanOpen, ReadErrorNamesTheFailedCall) {
  LexanHarness h(kConfigScanners);
  // A folder opens for reading here, but cannot be read.
  const std::vector<std::string> entries = h.Failure([&] { h.lexan.Lexan_Open_File(h.dir.path().string()); });
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "File       : lexan/lexan",
                         "Line       : " + std::to_string(h.captured.context.line()),
                         "Error code : " + std::to_string(EISDIR),
                         std::string("Error text : ") + std::strerror(EISDIR),
                         "Subroutine : fgets",
                     }));
}
#endif

}  // namespace
}  // namespace kx
