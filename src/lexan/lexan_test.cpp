#include "lexan/lexan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexan/lexan_test_support.h"

namespace kx {
namespace {

using testing::CapturedContext;
using testing::kAllScanners;
using testing::kConfigScanners;
using testing::LexanHarness;

// The entries of a raise from lexan/lexan, at the line the context recorded.
std::vector<std::string> Raised(const CapturedContext& captured, const std::string& routine,
                                const std::string& message) {
  EXPECT_GT(captured.context.line(), 0);
  return {"File    : lexan/lexan", "Line    : " + std::to_string(captured.context.line()),
          "Routine : " + routine, "", message};
}

TEST(LexanRegistration, SetUpErrorsAreRaisedWithTheirRoutine) {
  struct Case {
    const char* name;
    std::function<void(Lexan&)> action;
    const char* routine;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"duplicate special", [](Lexan& l) { l.Lexan_Add_Special('{'); }, "Lexan_Add_Special",
       "Duplicate special character entered."},
      {"duplicate keyword in other case", [](Lexan& l) { l.Lexan_Add_Keyword("Template", 900); },
       "Lexan_Add_Keyword", "Duplicate keyword string value entered (\"Template\")."},
      {"scanner twice in the newest context", [](Lexan& l) { l.Lexan_Add_Scanner(Scan_Keyword); },
       "Lexan_Add_Scanner", "Scanner already in scanner list."},
      {"unknown context", [](Lexan& l) { l.Lexan_Set_Context(2); }, "Lexan_Set_Context",
       "Given context does not exists."},
      {"unknown token kind", [](Lexan& l) { l.Lexan_Token_To_String(999); }, "Lexan_Token_To_String",
       "Unable to resolve string value of token (999)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LexanHarness h(kConfigScanners);
    const std::vector<std::string> entries = h.Failure([&] { c.action(h.lexan); });
    EXPECT_EQ(entries, Raised(h.captured, c.routine, c.message));
  }
}

TEST(LexanRegistration, ScannerBeforeAnyContext) {
  CapturedContext captured(true);
  Lexan lexan(captured.context, "");
  EXPECT_THROW(lexan.Lexan_Add_Scanner(Scan_Integer), BuildFailure);
  EXPECT_EQ(captured.entries, Raised(captured, "Lexan_Add_Scanner", "Unable to find current lexan context."));
}

TEST(LexanRegistration, FailedRegistrationLeavesTablesAsTheyWere) {
  LexanHarness h(kConfigScanners);
  EXPECT_THROW(h.lexan.Lexan_Add_Keyword("MAX", 900), BuildFailure);
  EXPECT_THROW(h.lexan.Lexan_Add_Special(';'), BuildFailure);
  h.Open("max ;");
  EXPECT_EQ(h.Tokens(), (std::vector<std::string>{"'max'", "';'"}));
}

TEST(LexanRegistration, ScannersGoToTheNewestContextAndContextsSwitchBetweenTokens) {
  CapturedContext captured(true);
  testing::TempDir dir;
  Lexan lexan(captured.context, "");
  const int first = lexan.Lexan_Create_Context();
  lexan.Lexan_Add_Scanner(Scan_Integer);
  const int second = lexan.Lexan_Create_Context();
  lexan.Lexan_Set_Context(first);
  lexan.Lexan_Add_Scanner(Scan_Literal);  // fills the second context
  lexan.Lexan_Add_Scanner(Scan_Integer);  // the same scanner may stand in several contexts
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 2);

  lexan.Lexan_Open_File(dir.Write("in.txt", "12 abc x").string());
  EXPECT_EQ(lexan.Lexan_Token(), LEXAN_INTEGER);
  lexan.Lexan_Set_Context(second);
  lexan.Lexan_Get_Token();
  EXPECT_EQ(lexan.Lexan_Literal(), "abc");
  lexan.Lexan_Set_Context(first);
  EXPECT_THROW(lexan.Lexan_Get_Token(), BuildFailure);
  EXPECT_EQ(captured.entries.at(0), "Invalid lexeme.");
}

TEST(LexanScanners, TokensOfOneLine) {
  struct Case {
    const std::vector<LexanScanner>* scanners;
    std::string input;
    std::vector<std::string> tokens;
  };
  const std::vector<LexanScanner> script = {Scan_Special, Scan_Integer, Scan_String, Scan_Keyword,
                                            Scan_Literal};
  const std::vector<LexanScanner> literal_first = {Scan_Literal, Scan_Keyword};
  const std::vector<Case> cases = {
      {&kConfigScanners, "TEMPLATE Template template", {"'template'", "'template'", "'template'"}},
      {&kConfigScanners, "{;=}", {"'{'", "';'", "'='", "'}'"}},
      {&kConfigScanners,
       "0xff 0xFF 0x1F 0xffffffff",
       {"a hexadecimal 255", "a hexadecimal 255", "a hexadecimal 31", "a hexadecimal 4294967295"}},
      {&kAllScanners, "0x 5", {"an integer 0", "a literal [x]", "an integer 5"}},
      {&kAllScanners, "0XFF", {"an integer 0", "a literal [XFF]"}},
      {&kAllScanners, "0xg", {"an integer 0", "a literal [xg]"}},
      {&kAllScanners,
       "007 4294967295 0004294967295",
       {"an integer 7", "an integer 4294967295", "an integer 4294967295"}},
      {&kAllScanners, "12ab", {"an integer 12", "a literal [ab]"}},
      {&kAllScanners,
       "name1 _a1 9abc",
       {"'name'", "an integer 1", "a literal [_a1]", "an integer 9", "a literal [abc]"}},
      {&script, "max maxi Max_", {"'max'", "a literal [maxi]", "a literal [Max_]"}},
      {&literal_first, "max", {"a literal [max]"}},
      {&kAllScanners,
       "\"a//b\" \"back\\slash\" \"\"",
       {"a string [a//b]", "a string [back\\slash]", "a string []"}},
      {&kAllScanners, "\"one two\"=3", {"a string [one two]", "'='", "an integer 3"}},
      {&kAllScanners, "x \"abc\n5", {"a literal [x]", "a string [abc\n]", "an integer 5"}},
      {&kAllScanners, "\"", {"a string []"}},
      // A string open at the end of a full line ends with its line feed.
      {&kAllScanners, std::string(505, ' ') + "\"abcde\n5", {"a string [abcde\n]", "an integer 5"}},
      {&kAllScanners, "\"caf\xe9\t!\"", {"a string [caf\xe9   !]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    LexanHarness h(*c.scanners);
    h.Open(c.input);
    EXPECT_EQ(h.Tokens(), c.tokens);
  }
}

TEST(LexanScanners, TokenDataDescribesOnlyTheCurrentToken) {
  LexanHarness h(kAllScanners);
  h.Open("\"s\" 0x1f lit max");
  EXPECT_EQ(h.lexan.Lexan_String(), "s");
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.lexan.Lexan_Value(), 31u);
  EXPECT_EQ(h.lexan.Lexan_String(), "");
  EXPECT_EQ(h.lexan.Lexan_Column(), 8);
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.lexan.Lexan_Value(), 0u);
  EXPECT_EQ(h.lexan.Lexan_Literal(), "lit");
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.lexan.Lexan_Literal(), "");
  EXPECT_EQ(h.lexan.Lexan_Column(), 16);
}

TEST(LexanScanners, KeywordRunLimit) {
  LexanHarness h(kAllScanners, 0);
  const std::string letters255(255, 'k');
  h.Open(letters255 + "\n= " + std::string(256, 'k'));
  EXPECT_EQ(h.Describe(), "a literal [" + letters255 + "]");
  h.lexan.Lexan_Get_Token();
  // The arrow marks the first character of the run.
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Get_Token(); }),
            LexanHarness::Listing(
                "The size of the scanned lexeme for keyword check is greater than or equal to 256.",
                "---------v", {"    2: = " + std::string(256, 'k')}));
}

TEST(LexanTokenToString, TextForms) {
  LexanHarness h(kConfigScanners);
  h.lexan.Lexan_Add_Keyword("beta", 700);
  h.lexan.Lexan_Add_Keyword("Alpha", 700);
  h.lexan.Lexan_Add_Keyword("a", 701);
  h.lexan.Lexan_Add_Keyword("_z", 701);  // '_' sorts before the letters, taken as lower case
  const std::vector<std::pair<int, std::string>> cases = {
      {'{', "'{'"},
      {LEXAN_INTEGER, "an integer"},
      {LEXAN_HEXADECIMAL, "a hexadecimal"},
      {LEXAN_STRING, "a string"},
      {LEXAN_LITERAL, "a literal"},
      {LEXAN_ELLIPSIS, "..."},
      {LEXAN_END_OF_FILE, "an end of file"},
      {testing::KW_TEMPLATE, "'template'"},
      {700, "'Alpha'"},
      {701, "'_z'"},
  };
  for (const auto& [kind, text] : cases) EXPECT_EQ(h.lexan.Lexan_Token_To_String(kind), text) << kind;
}

}  // namespace
}  // namespace kx
