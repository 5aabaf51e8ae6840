#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "lexan/lexan.h"
#include "diagnostics/testing.h"

namespace kx::testing {

enum : int { KW_TEMPLATE = 512, KW_LIST, KW_MAX, KW_ROUTINE, KW_NAME };

inline const std::vector<LexanScanner> kConfigScanners = {Scan_Special, Scan_Hexadecimal, Scan_Integer,
                                                          Scan_String, Scan_Keyword};
inline const std::vector<LexanScanner> kAllScanners = {Scan_Special, Scan_Hexadecimal, Scan_Integer,
                                                       Scan_String,  Scan_Keyword,     Scan_Literal};

inline constexpr const char* kHint = "Correct the marked place and build again.";

// A lexer with a configuration-like vocabulary in one context of the given
// scanners, reading a file of a temporary folder.
struct LexanHarness {
  explicit LexanHarness(const std::vector<LexanScanner>& scanners, int width = 94)
      : captured(true, width), lexan(captured.context, kHint) {
    int context = lexan.Lexan_Create_Context();
    for (LexanScanner scanner : scanners) lexan.Lexan_Add_Scanner(scanner);
    for (char c : std::string("{};=")) lexan.Lexan_Add_Special(c);
    lexan.Lexan_Add_Keyword("template", KW_TEMPLATE);
    lexan.Lexan_Add_Keyword("list", KW_LIST);
    lexan.Lexan_Add_Keyword("max", KW_MAX);
    lexan.Lexan_Add_Keyword("routine", KW_ROUTINE);
    lexan.Lexan_Add_Keyword("name", KW_NAME);
    lexan.Lexan_Set_Context(context);
  }

  void Open(const std::string& content) { lexan.Lexan_Open_File(dir.Write("input.txt", content).string()); }

  // The current token as "kind" or "kind value".
  std::string Describe() {
    std::string text = lexan.Lexan_Token_To_String(lexan.Lexan_Token());
    switch (lexan.Lexan_Token()) {
      case LEXAN_INTEGER:
      case LEXAN_HEXADECIMAL:
        return text + " " + std::to_string(lexan.Lexan_Value());
      case LEXAN_STRING:
        return text + " [" + lexan.Lexan_String() + "]";
      case LEXAN_LITERAL:
        return text + " [" + lexan.Lexan_Literal() + "]";
      default:
        return text;
    }
  }

  // Every token from the current one to the end of file, which is not listed.
  std::vector<std::string> Tokens() {
    std::vector<std::string> tokens;
    while (lexan.Lexan_Token() != LEXAN_END_OF_FILE && tokens.size() < 1000) {
      tokens.push_back(Describe());
      lexan.Lexan_Get_Token();
    }
    return tokens;
  }

  // The entries delivered by `action`, which must end with BuildFailure(0).
  std::vector<std::string> Failure(const std::function<void()>& action) {
    captured.entries.clear();
    try {
      action();
      ADD_FAILURE() << "no BuildFailure";
    } catch (const BuildFailure& failure) {
      EXPECT_EQ(failure.line(), 0);
    }
    return captured.entries;
  }

  // The entries of a listing: message, arrow, the listed line's entries, hint.
  static std::vector<std::string> Listing(const std::string& message, const std::string& arrow,
                                          std::vector<std::string> source) {
    std::vector<std::string> entries = {message, arrow};
    entries.insert(entries.end(), source.begin(), source.end());
    entries.push_back(kHint);
    entries.push_back("");
    return entries;
  }

  CapturedContext captured;
  TempDir dir;
  Lexan lexan;
};

}  // namespace kx::testing
