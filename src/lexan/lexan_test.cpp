#include "lexan/lexan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "diagnostics/testing.h"

namespace kx {
namespace {

using Scanners = std::vector<LexanScanner>;
using namespace std::string_literals;

const Scanners kAll = {Scan_Special, Scan_Hexadecimal, Scan_Integer, Scan_String, Scan_Keyword, Scan_Literal};
constexpr int kTemplate = 512;
constexpr const char* kHint = "Correct the marked place and build again.";

// A lexer with the keywords template, list, max, routine and name in one
// context of the given scanners.
struct Lexer {
  explicit Lexer(const Scanners& scanners = kAll, int width = 94)
      : captured(true, width), lexan(captured.context, kHint) {
    const int context = lexan.Lexan_Create_Context();
    for (LexanScanner scanner : scanners) lexan.Lexan_Add_Scanner(scanner);
    for (char c : std::string("{};=")) lexan.Lexan_Add_Special(c);
    int kind = kTemplate;
    for (const char* word : {"template", "list", "max", "routine", "name"})
      lexan.Lexan_Add_Keyword(word, kind++);
    lexan.Lexan_Set_Context(context);
  }
  void Open(const std::string& content) { lexan.Lexan_Open_File(dir.Write("input.txt", content).string()); }

  // The current token and whatever token data it carries.
  std::string Describe() {
    std::string text = lexan.Lexan_Token_To_String(lexan.Lexan_Token());
    if (lexan.Lexan_Value() != 0) text += " " + std::to_string(lexan.Lexan_Value());
    if (!lexan.Lexan_String().empty()) text += " [" + std::string(lexan.Lexan_String()) + "]";
    if (!lexan.Lexan_Literal().empty()) text += " <" + std::string(lexan.Lexan_Literal()) + ">";
    return text;
  }
  // Every token up to the end of the file, a line's first after the line's number.
  std::string Tokens() {
    std::string tokens;
    for (int line = 0; lexan.Lexan_Token() != LEXAN_END_OF_FILE; lexan.Lexan_Get_Token()) {
      if (lexan.Lexan_Line() != line) tokens += std::to_string(line = lexan.Lexan_Line()) + ": ";
      tokens += Describe() + ", ";
    }
    return tokens;
  }
  // The diagnostic delivered by `action`, which must end with BuildFailure(0).
  std::string Failure(const std::function<void()>& action) { return captured.Failure(action); }
  std::string Failure_Reading(const std::string& content) {
    return Failure([&] {
      Open(content);
      Tokens();
    });
  }

  testing::CapturedContext captured;
  testing::TempDir dir;
  Lexan lexan;
};

// A listing: the message, the arrow down to `column`, the numbered line as listed, the hint.
std::string Listing(const std::string& message, int column, const std::string& listed) {
  return message + "\n" + std::string(6 + std::max(column, 1), '-') + "v\n" + listed + "\n" + kHint + "\n";
}

TEST(LexanSetUp, ErrorsAreRaisedByTheirRoutine) {
  const std::tuple<std::function<void(Lexer&)>, const char*, const char*> cases[] = {
      {[](Lexer& h) { h.lexan.Lexan_Add_Special('{'); }, "Lexan_Add_Special",
       "Duplicate special character entered."},
      {[](Lexer& h) { h.lexan.Lexan_Add_Keyword("Template", 9); }, "Lexan_Add_Keyword",
       "Duplicate keyword string value entered (\"Template\")."},
      {[](Lexer& h) { h.lexan.Lexan_Add_Scanner(Scan_Keyword); }, "Lexan_Add_Scanner",
       "Scanner already in scanner list."},
      {[](Lexer& h) { h.lexan.Lexan_Set_Context(2); }, "Lexan_Set_Context", "Given context does not exists."},
      {[](Lexer& h) { h.lexan.Lexan_Token_To_String(999); }, "Lexan_Token_To_String",
       "Unable to resolve string value of token (999)."},
      {[](Lexer& h) { Lexan(h.captured.context, "").Lexan_Add_Scanner(Scan_Integer); }, "Lexan_Add_Scanner",
       "Unable to find current lexan context."},
      {[](Lexer& h) {
         Lexan bare(h.captured.context, "");
         bare.Lexan_Create_Context();
         bare.Lexan_Add_Scanner(Scan_Integer);
         bare.Lexan_Open_File(h.dir.Write("in.txt", "\n  5").string());
       },
       "Lexan_Get_Token", "Unable to find current lexan context."},
  };
  for (const auto& [action, routine, message] : cases) {
    Lexer h;
    const std::string text = h.Failure([&] { action(h); });
    EXPECT_EQ(text, "File    : lexan/lexan\nLine    : " + std::to_string(h.captured.context.line()) +
                        "\nRoutine : " + routine + "\n\n" + message);
  }
  Lexer h;  // a folder opens for reading here, but cannot be read
  const std::string text = h.Failure([&] { h.lexan.Lexan_Open_File(h.dir.path().string()); });
  EXPECT_EQ(text, "File       : lexan/lexan\nLine       : " + std::to_string(h.captured.context.line()) +
                      "\nError code : " + std::to_string(EISDIR) + "\nError text : " + std::strerror(EISDIR) +
                      "\nSubroutine : fgets");
}

// Scanners go to the newest context, whichever is current; contexts switch between tokens.
TEST(LexanSetUp, ScannersGoToTheNewestContext) {
  Lexer h({Scan_Integer});
  const int second = h.lexan.Lexan_Create_Context();
  h.lexan.Lexan_Add_Scanner(Scan_Literal);
  h.lexan.Lexan_Add_Scanner(Scan_Integer);  // a scanner may stand in several contexts
  h.Open("12 abc x");
  h.lexan.Lexan_Set_Context(second);
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.Describe(), "a literal <abc>");
  h.lexan.Lexan_Set_Context(1);
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Get_Token(); }), Listing("Invalid lexeme.", 8, "    1: 12 abc x"));
}

TEST(LexanReading, TokensAndTheirLines) {
  const Scanners no_literals(kAll.begin(), kAll.end() - 1), literal_first = {Scan_Literal, Scan_Keyword};
  const std::tuple<const Scanners&, std::string, std::string> cases[] = {
      {no_literals, "TEMPLATE Template {;=}", "1: 'template', 'template', '{', ';', '=', '}', "},
      {no_literals, "0xff 0xFF 0x1F 0xffffffff",
       "1: a hexadecimal 255, a hexadecimal 255, a hexadecimal 31, a hexadecimal 4294967295, "},
      {kAll, "0x 5 0XFF 0xg",
       "1: an integer, a literal <x>, an integer 5, an integer, a literal <XFF>, an integer, a literal "
       "<xg>, "},
      {kAll, "007 4294967295 0004294967295 12ab",
       "1: an integer 7, an integer 4294967295, an integer 4294967295, an integer 12, a literal <ab>, "},
      {kAll, "name1 _a1 9abc max maxi Max_",
       "1: 'name', an integer 1, a literal <_a1>, an integer 9, a literal <abc>, 'max', a literal <maxi>, "
       "a literal <Max_>, "},
      {literal_first, "max", "1: a literal <max>, "},
      {kAll, "\"a//b\" \"back\\slash\" \"\"\"one two\"=3",
       "1: a string [a//b], a string [back\\slash], a string, a string [one two], '=', an integer 3, "},
      // A string still open at the end of its line, even a full one, ends with the line feed.
      {kAll, "x \"abc\n5 \"", "1: a literal <x>, a string [abc\n], 2: an integer 5, a string, "},
      {kAll, std::string(504, ' ') + "\"abcde\n\"caf\xe9\t!\"",
       "1: a string [abcde\n], 2: a string [caf\xe9   !], "},
      {kAll, "", ""},
      {kAll, "// only a comment\n \t \n\nmax// trailing\n//\nlist", "4: 'max', 6: 'list', "},
      {kAll, "max// a \0 in a comment\r\nlist\r\n"s, "1: 'max', 2: 'list', "},
      // Lines of 510 characters after tab expansion, 511 with the line feed, are read whole.
      {kAll, std::string(503, ' ') + "routine\nlist", "1: 'routine', 2: 'list', "},
      {kAll, "\t" + std::string(495, ' ') + "routine\r\nlist", "1: 'routine', 2: 'list', "},
      {kAll, "\t" + std::string(495, ' ') + "routine\nlist", "1: 'routine', 2: 'list', "},
      {kAll, "list\n" + std::string(503, ' ') + "routine", "1: 'list', 2: 'routine', "},
  };
  for (const auto& [scanners, input, tokens] : cases) {
    Lexer h(scanners);
    h.Open(input);
    EXPECT_EQ(h.Tokens(), tokens) << input;
    h.lexan.Lexan_Get_Token();  // reading past the end changes nothing
    EXPECT_EQ(h.Describe(), "an end of file");
  }
}

// Keywords of one length whose first two and last two letters agree are
// still told apart, in any letter case, and so are names like them.
TEST(LexanReading, KeywordsAlikeAtBothEndsAreToldApart) {
  Lexer h;
  h.lexan.Lexan_Add_Keyword("mixed", 700);
  h.lexan.Lexan_Add_Keyword("MiRed", 701);
  h.Open("mixed MIRED mined mi_ed");
  EXPECT_EQ(h.Tokens(), "1: 'mixed', 'MiRed', a literal <mined>, a literal <mi_ed>, ");
}

// The file is read in blocks of 64 KiB: a line, a CR LF pair, a tab or a name
// that crosses into the next block reads as any other.
TEST(LexanReading, BlockBoundariesChangeNothing) {
  const std::string line = "MAX\tsome_name 12 Name maxx\r\n";
  for (std::size_t shift = 0; shift <= line.size(); ++shift) {
    // Comment lines, so that byte `shift` of `line` opens the second block.
    std::string content;
    while (content.size() + 100 < 65536 - shift) content += "// " + std::string(60, 'x') + "\n";
    content += "//" + std::string(65536 - shift - content.size() - 3, 'y') + "\n";
    const auto lines = std::count(content.begin(), content.end(), '\n');
    Lexer h;
    h.Open(content + line + "\n12\n");
    EXPECT_EQ(h.Tokens(), std::to_string(lines + 1) +
                              ": 'max', a literal <some_name>, an integer 12, 'name', " +
                              "a literal <maxx>, " + std::to_string(lines + 3) + ": an integer 12, ")
        << shift;
  }
}

// Whatever no scanner takes is refused where it stands, and so is a zero byte
// (the rest of its line would go unseen) and a number beyond 32 bits (it would be cut).
TEST(LexanListing, InvalidLexemesZeroBytesAndNumbersBeyond32Bits) {
  const char* const kInvalid = "Invalid lexeme.";
  const char* const kInteger = "Integer value greater than 4294967295.";
  const std::tuple<std::string, const char*, int, std::string> cases[] = {
      {"ab\t#\n", kInvalid, 9, "    1: ab      #\n"},
      {"abcdefgh\t#\n", kInvalid, 17, "    1: abcdefgh        #\n"},
      {"a/b\n", kInvalid, 2, "    1: a/b\n"},
      // Control bytes other than the line feed that ends the line are listed as '?'.
      {"max\rroutine\n", kInvalid, 4, "    1: max?routine\n"},
      {"max \"\x1b]0;title\x07\x7f\" %\n", kInvalid, 19, "    1: max \"?]0;title??\" %\n"},
      {"\xe9\n", kInvalid, 1, "    1: \xe9\n"},
      {"max 5 %d %s\n", kInvalid, 7, "    1: max 5 %d %s\n"},
      {"max\0routine\n"s, kInvalid, 4, "    1: max?routine\n"},
      {"max \"a\0b\"\n"s, kInvalid, 7, "    1: max \"a?b\"\n"},
      {"max 4294967296\n", kInteger, 14, "    1: max 4294967296\n"},
      {"99999999999999999999999 max\n", kInteger, 23, "    1: 99999999999999999999999 max\n"},
      {"0x100000000\n", "Hexadecimal value greater than 0xFFFFFFFF.", 11, "    1: 0x100000000\n"},
  };
  for (const auto& [input, message, column, listed] : cases)
    EXPECT_EQ(Lexer().Failure_Reading(input), Listing(message, column, listed)) << input;
  // Lines of 512 characters or more after tab expansion, their line feed
  // counted (also on a last line without one), under their own number.
  const std::pair<std::string, std::string> too_long[] = {
      {std::string(504, ' ') + "routine\nroutine\n", std::string(504, ' ') + "routine"},
      {std::string(504, ' ') + "routine", std::string(504, ' ') + "routine"},
      {std::string(600, 'a') + "\n", std::string(512, 'a')},
      {"\t" + std::string(503, 'a') + "\n", std::string(8, ' ') + std::string(503, 'a')},
      {std::string(510, 'a') + "\rx\n", std::string(510, 'a') + "?"},
  };
  for (const auto& [rest, listed] : too_long)
    EXPECT_EQ(Lexer(kAll, 0).Failure_Reading("max\n" + rest),
              Listing("Size of input line greater than or equal to 512 characters.", 0, "    2: " + listed));
  // Arrow and line are broken hard at the width.
  EXPECT_EQ(Lexer(kAll, 79).Failure_Reading(std::string(79, ' ') + "#\n"),
            "Invalid lexeme.\n" + std::string(79, '-') + "\n-------v\n    1: " + std::string(72, ' ') +
                "\n       #\n\n" + kHint + "\n");
}

TEST(LexanListing, ClientDiagnosticsAndKeywordRuns) {
  Lexer h(kAll, 0);
  h.lexan.Lexan_Add_Keyword("beta", 700);
  h.lexan.Lexan_Add_Keyword("Alpha", 700);
  h.lexan.Lexan_Add_Keyword("_z", 701);
  h.Open("template \"abc\"\n" + std::string(255, 'k') + "\n= " + std::string(256, 'k'));
  h.lexan.Lexan_Match(kTemplate);
  // A keyword kind is named by its first keyword in keyword order, '_' before the letters.
  EXPECT_EQ(h.Failure([&] {
    h.lexan.Lexan_Expected({'{', LEXAN_ELLIPSIS, kTemplate, 700, 701});
  }),
            Listing("Found a string when expecting '{', ..., 'template', 'Alpha', or '_z'.", 14,
                    "    1: template \"abc\"\n"));
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Error("Value %s is %d%% too large.", "x%dy", 5); }),
            Listing("Value x%dy is 5% too large.", 14, "    1: template \"abc\"\n"));
  // At the end of the input the last line is listed, with or without its line
  // feed, and also past the first block.
  std::string filler;
  while (filler.size() < 70000) filler += "// filler\n";
  const std::pair<std::string, std::string> ends[] = {
      {"max {", "    1: max {"}, {"max {\n", "    1: max {\n"}, {filler + "max {\n", " 7001: max {\n"}};
  for (const auto& [input, listed] : ends) {
    Lexer end;
    end.Open(input);
    end.Tokens();
    EXPECT_EQ(end.Failure([&] { end.lexan.Lexan_Match(';'); }),
              Listing("Found an end of file when expecting ';'.", 5, listed));
  }
  // A run of 255 letters may be a literal; one of 256 is refused, the arrow at the column before
  // it as for any token; the span covers its first letter, and reading resumes after that.
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.Describe(), "a literal <" + std::string(255, 'k') + ">");
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.Failure([&] { h.lexan.Lexan_Get_Token(); }),
            Listing("The size of the scanned lexeme for keyword check is greater than or equal to 256.", 2,
                    "    3: = " + std::string(256, 'k')));
  const Lexan::Span span = h.lexan.Lexan_Error_Span();
  EXPECT_EQ(std::make_tuple(span.line, span.first_column, span.last_column), std::make_tuple(3, 3, 3));
  h.lexan.Lexan_Resume();
  h.lexan.Lexan_Get_Token();
  EXPECT_EQ(h.Describe(), "a literal <" + std::string(255, 'k') + ">");
}

// Reading ahead on a second thread changes nothing a client sees: the tokens,
// their lines and columns, and at a fault the same listing and span, whether
// the lexer meets the fault or the client raises it, naming the text of the
// token it took. Many lines put the fault batches behind the first token.
TEST(LexanReadAhead, TokensAndFaultsAreAsWithout) {
  std::string many;
  for (int line = 0; line < 3000; ++line)
    many += "max = " + std::to_string(line) + "; name \"t\tx\" 0x1F // c\n";
  const struct {
    std::string input;
    int expected_after = -1;  // the client expects ';' after this many tokens
  } cases[] = {
      {"template\t{ name = \"a\tb\" ; }\r\nlist max2 routine_x 12 0xFF\n\n// only\n;"},
      {many},
      {many + "max = 1 @ 2;\n"},
      {many + "max \0 = 1;\n"},
      {many + std::string(600, 'm') + "\nlist\n"},
      {many + "max = 4294967296;\n"},
      {many + "list", 9007},
      {many + "list", 14999},
      {"template { }", 3},
  };
  for (const auto& test : cases) {
    std::string results[2];
    Lexan::Span spans[2];
    for (int ahead = 0; ahead < 2; ++ahead) {
      Lexer h;
      const std::string failure = h.captured.Failure([&] {
        h.Open(test.input);
        if (ahead == 1) h.lexan.Lexan_Read_Ahead(0);
        for (int taken = 0; h.lexan.Lexan_Token() != LEXAN_END_OF_FILE; ++taken, h.lexan.Lexan_Get_Token()) {
          if (taken == test.expected_after) {
            const std::string_view text =
                h.lexan.Lexan_Token() == LEXAN_STRING ? h.lexan.Lexan_String() : h.lexan.Lexan_Literal();
            h.lexan.Lexan_Error("'%s' stands where ';' is due.", text.data());
          }
          results[ahead] += h.Describe() + " " + std::to_string(h.lexan.Lexan_Line()) + ":" +
                            std::to_string(h.lexan.Lexan_Token_Column()) + "-" +
                            std::to_string(h.lexan.Lexan_Column()) + ", ";
        }
        if (test.expected_after >= 0) h.lexan.Lexan_Expected({';'});
        h.lexan.Lexan_Error("The end.");
      });
      results[ahead] += failure;
      spans[ahead] = h.lexan.Lexan_Error_Span();
    }
    EXPECT_EQ(results[1], results[0]) << test.input.substr(test.input.size() - 40);
    EXPECT_EQ(std::tie(spans[1].line, spans[1].first_column, spans[1].last_column),
              std::tie(spans[0].line, spans[0].first_column, spans[0].last_column));
  }
}

}  // namespace
}  // namespace kx
