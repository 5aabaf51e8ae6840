#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/template_config.h"
#include "vmopcode/vmopcode.h"

namespace kx {

// What the script analysis tells the editor and the language server about a
// script's text, without writing anything. It reads the text with the lexer
// and the script reader that a build uses and compiles it with the build's
// code generator, so it reports exactly the failure a build would report
// (short of writing the output); and it reads the text once more, forgiving
// every error, so that tokens and symbols are known for the whole text.
//
// Positions are 1-based lines (as the lexer counts them: lines end at line
// feeds) and 1-based byte columns in the line as stored (a tab is one byte).

enum class TokenClass {
  SectionHeader,  // "[", the section word and "]" of a data section header
  RoutineHeader,  // "[", "routine" and "]" of a routine header
  Operation,
  Routine,  // a routine's name, in its header or as an operand
  Label,    // a location label, where it is defined or used
  Object,
  Position,
  Variable,
  Text,
  Name,  // a name whose meaning the script leaves open (an error, or a step being typed)
  Number,
  String,
  StringEscape,  // a backslash and n in a [text] string: a line feed
  Boolean,       // true, false
  Constant,      // the colour words white, green and red
  Comment,
  Punctuation,
  Invalid,  // a character the lexer refuses, or the rest of a line too long
};

struct ScriptToken {
  int line = 0;
  int column = 0;
  int length = 0;
  std::size_t offset = 0;  // in the text
  TokenClass token_class = TokenClass::Invalid;
  bool definition = false;  // a name where it is defined
  int symbol = -1;          // names: the index in symbols() of what it defines or names; -1 for none
};

enum class SymbolKind { Routine, Label, Object, Position, Variable, Text };

// "routine", "label", "object", "position", "variable", "text".
const char* Symbol_Kind_Word(SymbolKind kind);
// The kind of symbol an operand of `kind` names; none for literal operands.
std::optional<SymbolKind> Symbol_Kind_For(OperandKind kind);
// The constant words an operand of `kind` may be written as: true and false
// for booleans and numbers, white, green and red for colours.
std::vector<const char*> Constant_Words_For(OperandKind kind);

struct ScriptSymbol {
  SymbolKind kind = SymbolKind::Object;
  std::string name;
  int line = 0;
  int column = 0;
  int length = 0;
  int routine = -1;    // labels: the index in symbols() of their routine
  std::string detail;  // as declared: "1, 2, 3", "5", the text, "speed 1, priority true, debug false"
};

enum class DiagnosticSeverity { Error, Warning };

struct ScriptDiagnostic {
  DiagnosticSeverity severity = DiagnosticSeverity::Error;
  int line = 0;  // 0: not tied to a place in the script
  int column = 0;
  int length = 0;
  std::string message;  // as the build log states it, on one line
};

// What the catalogue expects at a place of a routine.
struct PositionContext {
  enum class Where {
    Elsewhere,  // a header, a data section, outside every routine
    StepStart,  // where a step (a label or an operation) may start
    Operand,    // in an operand slot of a step
    Operation,  // on a step's operation name
  };
  Where where = Where::Elsewhere;
  const OpcodeDefinition* operation = nullptr;  // Operand, Operation: the step's operation
  int slot = -1;                                // Operand: 0 to 3
  std::optional<OperandSlot> expected;          // Operand: what the catalogue expects there
  int routine = -1;        // StepStart, Operand, Operation: the index in symbols() of the routine
  int label_routine = -1;  // Operand of a Label slot: the routine whose labels it names
  int token = -1;          // the index in tokens() of the token at the place, -1 for none
};

// What an analysis found; read it through ScriptAnalysis.
struct ScriptAnalysisData {
  struct Step {
    int operation = -1;  // position in kOpcodeTable
    int routine = -1;    // the routine's symbol
    // Per slot: the routine whose labels a label slot names.
    std::array<int, 4> label_routines{-1, -1, -1, -1};
  };

  std::string text;
  std::vector<ScriptToken> tokens;
  std::vector<int> token_steps;     // per token: its step, -1 for none
  std::vector<int> token_slots;     // per token of a step: -1 for the operation, else the operand slot
  std::vector<int> token_routines;  // per token: the routine whose body holds it, -1 for none
  std::vector<Step> steps;
  std::vector<ScriptSymbol> symbols;
  std::optional<ScriptDiagnostic> error;
  std::vector<ScriptDiagnostic> warnings;
};

class ScriptAnalysis {
 public:
  const std::string& text() const { return data_.text; }
  // In text order, comments included; they never overlap.
  const std::vector<ScriptToken>& tokens() const { return data_.tokens; }
  const std::vector<ScriptSymbol>& symbols() const { return data_.symbols; }
  // The failure a build would report; none when the script would build.
  const std::optional<ScriptDiagnostic>& error() const { return data_.error; }
  // What a build accepts but is most likely a slip: labels and symbols never used.
  const std::vector<ScriptDiagnostic>& warnings() const { return data_.warnings; }

  std::string_view Text_Of(const ScriptToken& token) const {
    return std::string_view(data_.text).substr(token.offset, static_cast<std::size_t>(token.length));
  }

  // Places are carets: `column` stands before the byte of that column (one
  // past the last byte: the end of the line).
  // The token that holds the place or ends right at it; -1 for none.
  int Token_At(int line, int column) const;
  PositionContext Context_At(int line, int column) const;
  // The symbol that the name at the place declares or names; -1 for none.
  int Symbol_At(int line, int column) const;
  // The tokens that declare or name `symbol`, in text order.
  std::vector<int> References_To(int symbol) const;

 private:
  friend ScriptAnalysis Analyse_Script(std::string_view, const TemplateConfig&, const std::string&);

  // The offset of a place, or npos for a line outside the text.
  std::size_t Offset_Of(int line, int column) const;

  ScriptAnalysisData data_;
  std::vector<std::size_t> line_starts_;
};

// Analyses a script's text for the template entry `config`; `name` stands for
// the script's file in the build's notices.
ScriptAnalysis Analyse_Script(std::string_view text, const TemplateConfig& config,
                              const std::string& name = "script.kxs");

// A template entry whose limits no script reaches, for analysing a script
// when no configuration is at hand.
TemplateConfig Unlimited_Template();

}  // namespace kx
