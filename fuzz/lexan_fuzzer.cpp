// The lexer on its own, in two contexts: every scanner and the words of both
// clients, or no hexadecimals and no keywords. The first input byte chooses
// when to switch contexts (bits 1 to 3) and the diagnostic width (bits 4 to
// 7); the rest is the file. Every token is checked, and a token that no
// client expects at its place ends the read with the expectation diagnostic.
#include "fuzz_support.h"
#include "lexan/lexan.h"
#include "vmopcode/vmopcode.h"

namespace {

using kx::Lexan;
using kx::fuzz::Finding;

// Sets the lexer up with the specials and keywords of both clients.
void Set_Up(Lexan& lexan, const kx::VMOpcode& catalogue) {
  lexan.Lexan_Create_Context();
  for (auto scanner : {kx::Scan_Special, kx::Scan_Hexadecimal, kx::Scan_Integer, kx::Scan_String,
                       kx::Scan_Keyword, kx::Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  lexan.Lexan_Create_Context();
  for (auto scanner : {kx::Scan_Special, kx::Scan_Integer, kx::Scan_String, kx::Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  for (char special : {'{', '}', ',', ';', '-', ':', '<', '>', '[', ']'}) lexan.Lexan_Add_Special(special);
  int kind = 512;
  for (const char* word :
       {"template",  "list",      "entry", "dll",      "blank", "max",   "count",   "object",
        "step",      "data",      "array", "position", "name",  "speed", "integer", "priority",
        "offset",    "objective", "debug", "rows",     "cols",  "true",  "false",   "objects",
        "positions", "variables", "text",  "routine",  "white", "green", "red"})
    lexan.Lexan_Add_Keyword(word, kind++);
  for (const kx::OpcodeRecord& opcode : catalogue.by_token())
    lexan.Lexan_Add_Keyword(opcode.name, opcode.token);
}

void Check_Token(Lexan& lexan, int previous_line, std::size_t input_lines) {
  const int token = lexan.Lexan_Token();
  if (lexan.Lexan_Line() < previous_line) Finding("the line number went back");
  if (static_cast<std::size_t>(lexan.Lexan_Line()) > input_lines) Finding("a line number past the input");
  if (lexan.Lexan_Column() < 0 || lexan.Lexan_Column() >= Lexan::kLineLimit)
    Finding("a column outside the line");
  if (token < 0 || token == kx::LEXAN_ELLIPSIS) Finding("a token of kind " + std::to_string(token));
  if (token == kx::LEXAN_LITERAL && lexan.Lexan_Literal().empty()) Finding("an empty literal");
  if (token != kx::LEXAN_LITERAL && !lexan.Lexan_Literal().empty()) Finding("a literal text left behind");
  if (token != kx::LEXAN_STRING && !lexan.Lexan_String().empty()) Finding("a string text left behind");
  if (std::max(lexan.Lexan_String().size(), lexan.Lexan_Literal().size()) >= Lexan::kLineLimit)
    Finding("a text longer than its line");
  // Every token the lexer makes has a text form for diagnostics.
  if (lexan.Lexan_Token_To_String(token).empty()) Finding("a token without a text form");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int switch_every = (data[0] >> 1) & 7;  // 0: never
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t input_lines =
      1 + std::count(input.begin(), input.end(), '\n') + std::count(input.begin(), input.end(), '\r');

  kx::fuzz::CheckedContext errors(true, (data[0] >> 4) * 8 - 8);  // -8 (no wrapping) to 112
  kx::VMOpcode catalogue(errors.context);
  Lexan lexan(errors.context, "Please correct the error and try again.");
  Set_Up(lexan, catalogue);
  try {
    lexan.Lexan_Set_Context(1);
    lexan.Lexan_Open_File(kx::fuzz::Write("input.txt", input));
    int previous_line = 0;
    for (int tokens = 1; lexan.Lexan_Token() != kx::LEXAN_END_OF_FILE; ++tokens) {
      Check_Token(lexan, previous_line, input_lines);
      previous_line = lexan.Lexan_Line();
      if (tokens > static_cast<int>(size)) Finding("more tokens than input bytes");
      if (switch_every != 0 && tokens % switch_every == 0)
        lexan.Lexan_Set_Context(tokens / switch_every % 2 + 1);
      // A byte of the input at this token decides whether a client would have wanted something else here.
      if (data[static_cast<std::size_t>(tokens) % size] == '!')
        lexan.Lexan_Expected({'{', kx::LEXAN_ELLIPSIS, 512});
      lexan.Lexan_Get_Token();
    }
    Check_Token(lexan, previous_line, input_lines);
    // Reading past the end keeps yielding the end of the file.
    lexan.Lexan_Get_Token();
    if (lexan.Lexan_Token() != kx::LEXAN_END_OF_FILE) Finding("a token after the end of the file");
    lexan.Lexan_Match(kx::LEXAN_END_OF_FILE);
    if (errors.entries != 0) Finding("a diagnostic without a failure");
  } catch (const kx::BuildFailure&) {
    if (errors.entries == 0) Finding("a failure without a diagnostic");
  }
  return 0;
}
