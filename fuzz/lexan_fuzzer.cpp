// The lexer on its own, set up as one of its two clients would set it up.
// The first input byte chooses the set-up (bit 0: the configuration
// parser's single context, else the script reader's two contexts), when to
// switch contexts (bits 1 to 3) and the diagnostic width (bits 4 to 7); the
// rest is the file. Every token is checked, and a token that no client
// expects at its place ends the read with the expectation diagnostic.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "lexan/lexan.h"
#include "diagnostics/build_failure.h"
#include "vmopcode/vmopcode.h"

namespace {

using kx::Lexan;
using kx::fuzz::Finding;

constexpr const char* kConfigurationWords[] = {
    "template", "list",   "entry",     "dll",   "blank",    "max",  "routine", "count",
    "object",   "step",   "data",      "array", "position", "name", "speed",   "integer",
    "priority", "offset", "objective", "debug", "rows",     "cols"};
constexpr const char* kScriptWords[] = {"true", "false",   "objects", "positions", "variables",
                                        "text", "routine", "white",   "green",     "red"};

// Sets the lexer up as a client would; returns the contexts to switch between.
std::pair<int, int> Set_Up(Lexan& lexan, bool configuration, kx::VMOpcode& catalogue) {
  if (configuration) {
    const int context = lexan.Lexan_Create_Context();
    for (kx::LexanScanner scanner :
         {kx::Scan_Special, kx::Scan_Hexadecimal, kx::Scan_Integer, kx::Scan_String, kx::Scan_Keyword})
      lexan.Lexan_Add_Scanner(scanner);
    for (char special : {'{', '}', ',', ';'}) lexan.Lexan_Add_Special(special);
    int kind = 512;
    for (const char* word : kConfigurationWords) lexan.Lexan_Add_Keyword(word, kind++);
    return {context, context};
  }
  const int keywords = lexan.Lexan_Create_Context();
  for (kx::LexanScanner scanner :
       {kx::Scan_Special, kx::Scan_Integer, kx::Scan_String, kx::Scan_Keyword, kx::Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  const int names = lexan.Lexan_Create_Context();
  for (kx::LexanScanner scanner : {kx::Scan_Special, kx::Scan_Integer, kx::Scan_String, kx::Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  for (char special : {'-', ':', ',', '<', '>', '[', ']'}) lexan.Lexan_Add_Special(special);
  int kind = 512;
  for (const char* word : kScriptWords) lexan.Lexan_Add_Keyword(word, kind++);
  for (const kx::OpcodeRecord& opcode : catalogue.by_token())
    lexan.Lexan_Add_Keyword(opcode.name, opcode.token);
  return {keywords, names};
}

void Check_Token(Lexan& lexan, int previous_line, std::size_t input_lines) {
  const int token = lexan.Lexan_Token();
  if (lexan.Lexan_Line() < previous_line) Finding("the line number went back");
  if (static_cast<std::size_t>(lexan.Lexan_Line()) > input_lines) Finding("a line number past the input");
  if (lexan.Lexan_Column() < 0 || lexan.Lexan_Column() >= Lexan::kLineLimit)
    Finding("a column outside the line");
  if (lexan.Lexan_String().size() >= Lexan::kLineLimit) Finding("a string longer than its line");
  if (lexan.Lexan_Literal().size() >= Lexan::kLineLimit) Finding("a literal longer than its line");
  switch (token) {
    case kx::LEXAN_LITERAL:
      if (lexan.Lexan_Literal().empty()) Finding("an empty literal");
      break;
    case kx::LEXAN_STRING:
    case kx::LEXAN_INTEGER:
    case kx::LEXAN_HEXADECIMAL:
    case kx::LEXAN_END_OF_FILE:
      break;
    default:
      if (token < 0 || token == kx::LEXAN_ELLIPSIS) Finding("a token of kind " + std::to_string(token));
  }
  if (token != kx::LEXAN_LITERAL && !lexan.Lexan_Literal().empty()) Finding("a literal text left behind");
  if (token != kx::LEXAN_STRING && !lexan.Lexan_String().empty()) Finding("a string text left behind");
  // Every token the lexer makes has a text form for diagnostics.
  if (lexan.Lexan_Token_To_String(token).empty()) Finding("a token without a text form");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t set_up = data[0];
  const bool configuration = (set_up & 1) != 0;
  const int switch_every = (set_up >> 1) & 7;  // 0: never
  const int width = (set_up >> 4) * 8 - 8;     // -8 (no wrapping) to 112
  const std::string path = kx::fuzz::Write_Input("input.txt", data + 1, size - 1);
  std::size_t input_lines = 1;
  for (std::size_t i = 1; i < size; ++i) input_lines += data[i] == '\n' || data[i] == '\r';

  kx::fuzz::CheckedContext errors(true, width);
  kx::VMOpcode catalogue(*errors.context);
  Lexan lexan(*errors.context, "Please correct the error and try again.");
  const auto [first, second] = Set_Up(lexan, configuration, catalogue);
  int tokens = 0;
  try {
    lexan.Lexan_Set_Context(first);
    lexan.Lexan_Open_File(path);
    int previous_line = 0;
    while (lexan.Lexan_Token() != kx::LEXAN_END_OF_FILE) {
      Check_Token(lexan, previous_line, input_lines);
      previous_line = lexan.Lexan_Line();
      if (++tokens > static_cast<int>(size)) Finding("more tokens than input bytes");
      if (switch_every != 0 && tokens % switch_every == 0)
        lexan.Lexan_Set_Context(tokens / switch_every % 2 == 0 ? first : second);
      // A byte of the input at this token decides whether a client would
      // have wanted something else here.
      if (data[static_cast<std::size_t>(tokens) % size] == '!')
        lexan.Lexan_Expected({'{', kx::LEXAN_ELLIPSIS, 512});
      lexan.Lexan_Get_Token();
    }
    Check_Token(lexan, previous_line, input_lines);
    // Reading past the end keeps yielding the end of the file.
    lexan.Lexan_Get_Token();
    if (lexan.Lexan_Token() != kx::LEXAN_END_OF_FILE) Finding("a token after the end of the file");
    lexan.Lexan_Match(kx::LEXAN_END_OF_FILE);
    if (errors.sink->entries() != 0) Finding("a diagnostic without a failure");
  } catch (const kx::BuildFailure&) {
    if (errors.sink->entries() == 0) Finding("a failure without a diagnostic");
  }
  lexan.Lexan_Close_File();
  return 0;
}
