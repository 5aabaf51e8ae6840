#include "analysis/script_walker.h"

#include <string>
#include <unordered_map>

#include "lexan/lexan.h"
#include "util/format.h"
#include "vmasm/vmasm.h"

namespace kx {
namespace {

bool Is_Operation(int kind) { return kind >= kFirstOpcodeToken && kind < kFirstOpcodeToken + kOpcodeCount; }

bool Is_Section_Word(int kind) {
  return kind == VMASM_KEYWORD_OBJECTS || kind == VMASM_KEYWORD_POSITIONS || kind == VMASM_KEYWORD_VARIABLES ||
         kind == VMASM_KEYWORD_TEXT;
}

TokenClass Class_By_Kind(const LexedToken& token) {
  if (token.comment) return TokenClass::Comment;
  if (token.escape) return TokenClass::StringEscape;
  switch (token.kind) {
    case -1:
      return TokenClass::Invalid;
    case LEXAN_INTEGER:
    case LEXAN_HEXADECIMAL:
      return TokenClass::Number;
    case LEXAN_STRING:
      return TokenClass::String;
    case LEXAN_LITERAL:
      return TokenClass::Name;
    case VMASM_KEYWORD_TRUE:
    case VMASM_KEYWORD_FALSE:
      return TokenClass::Boolean;
    case VMASM_KEYWORD_WHITE:
    case VMASM_KEYWORD_GREEN:
    case VMASM_KEYWORD_RED:
      return TokenClass::Constant;
    case VMASM_KEYWORD_OBJECTS:
    case VMASM_KEYWORD_POSITIONS:
    case VMASM_KEYWORD_VARIABLES:
    case VMASM_KEYWORD_TEXT:
      return TokenClass::SectionHeader;
    case VMASM_KEYWORD_ROUTINE:
      return TokenClass::RoutineHeader;
    default:
      return Is_Operation(token.kind) ? TokenClass::Operation : TokenClass::Punctuation;
  }
}

// Names found by a view of the text, without a copy.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
using NameTable = std::unordered_map<std::string, int, NameHash, std::equal_to<>>;

// The entry of `name`, added with -1 when missing; true when it was added.
std::pair<int*, bool> Entry_Of(NameTable& names, std::string_view name) {
  const auto found = names.find(name);
  if (found != names.end()) return {&found->second, false};
  return {&names.emplace(std::string(name), -1).first->second, true};
}

int Find_Name(const NameTable& names, std::string_view name) {
  const auto found = names.find(name);
  return found != names.end() ? found->second : -1;
}

// Walks the tokens of the grammar (comments and the later pieces of a string
// set aside), following the grammar of a script but forgiving every error:
// a token that does not fit keeps the class of its kind and the walk goes on.
class Walker {
 public:
  Walker(ScriptAnalysisData& data, const std::vector<LexedToken>& lexed) : data_(data), lexed_(lexed) {
    const std::size_t count = lexed.size();
    data_.tokens.resize(count);
    data_.token_steps.assign(count, -1);
    data_.token_slots.assign(count, -1);
    data_.token_routines.assign(count, -1);
    for (std::size_t i = 0; i < count; ++i) {
      ScriptToken& token = data_.tokens[i];
      token.line = lexed[i].line;
      token.column = lexed[i].column;
      token.length = lexed[i].length;
      token.offset = lexed[i].offset;
      token.token_class = Class_By_Kind(lexed[i]);
      if (!lexed[i].comment && !lexed[i].continued) grammar_.push_back(static_cast<int>(i));
    }
    count_ = static_cast<int>(grammar_.size());
  }

  void Walk() {
    Collect_Routines();
    for (next_ = 0; next_ < count_;) {
      if (Kind(next_) == '[')
        Header();
      else if (section_ == Section::Routine)
        Routine_Body_Token();
      else if (section_ != Section::None)
        Data_Entry_Token();
      else
        ++next_;
    }
    Resolve_Labels();
  }

 private:
  enum class Section { None, Objects, Positions, Variables, Texts, Routine };

  // g: a position among the grammar's tokens.
  int Kind(int g) const { return g >= 0 && g < count_ ? lexed_[Index(g)].kind : 0; }
  std::size_t Index(int g) const { return static_cast<std::size_t>(grammar_[static_cast<std::size_t>(g)]); }
  ScriptToken& Token(int g) { return data_.tokens[Index(g)]; }
  std::string_view Text(int g) const {
    const LexedToken& token = lexed_[Index(g)];
    return std::string_view(data_.text).substr(token.offset, static_cast<std::size_t>(token.length));
  }
  void Mark(int g, int routine, int step = -1, int slot = -1) {
    data_.token_routines[Index(g)] = routine;
    data_.token_steps[Index(g)] = step;
    data_.token_slots[Index(g)] = slot;
  }

  int Add_Symbol(SymbolKind kind, int g, std::string detail = {}, int routine = -1) {
    ScriptSymbol symbol;
    symbol.kind = kind;
    symbol.name = std::string(Text(g));
    symbol.line = Token(g).line;
    symbol.column = Token(g).column;
    symbol.length = Token(g).length;
    symbol.routine = routine;
    symbol.detail = std::move(detail);
    data_.symbols.push_back(std::move(symbol));
    return static_cast<int>(data_.symbols.size()) - 1;
  }

  // A name where it is declared; a name declared before keeps naming the first declaration.
  void Define(int g, TokenClass token_class, NameTable& names, SymbolKind kind, std::string detail = {},
              int routine = -1) {
    Token(g).token_class = token_class;
    const auto [entry, added] = Entry_Of(names, Text(g));
    if (added) {
      *entry = Add_Symbol(kind, g, std::move(detail), routine);
      Token(g).definition = true;
    }
    Token(g).symbol = *entry;
  }

  // Routine names first: operands may name routines further down.
  void Collect_Routines() {
    for (int g = 0; g + 3 < count_; ++g) {
      if (Kind(g) != '[' || Kind(g + 1) != VMASM_KEYWORD_ROUTINE || Kind(g + 2) != ',' ||
          Kind(g + 3) != LEXAN_LITERAL)
        continue;
      const auto [entry, added] = Entry_Of(routines_, Text(g + 3));
      if (added) {
        *entry = Add_Symbol(SymbolKind::Routine, g + 3);
        Token(g + 3).definition = true;
      }
    }
  }

  void Header() {
    const int open = next_++;
    const int word = Kind(next_);
    if (word == VMASM_KEYWORD_ROUTINE) {
      Token(open).token_class = TokenClass::RoutineHeader;
      Routine_Header();
      return;
    }
    if (!Is_Section_Word(word)) {
      section_ = Section::None;
      return;
    }
    Token(open).token_class = TokenClass::SectionHeader;
    section_ = word == VMASM_KEYWORD_OBJECTS     ? Section::Objects
               : word == VMASM_KEYWORD_POSITIONS ? Section::Positions
               : word == VMASM_KEYWORD_VARIABLES ? Section::Variables
                                                 : Section::Texts;
    ++next_;
    if (Kind(next_) == ']') Token(next_++).token_class = TokenClass::SectionHeader;
  }

  // "[" routine "," name "," speed "," priority ["," debug] "]"
  void Routine_Header() {
    ++next_;  // the word routine
    section_ = Section::Routine;
    routine_ = -1;
    std::vector<std::string> values;
    bool named = false;
    for (; next_ < count_ && Kind(next_) != '[' && Kind(next_) != ']'; ++next_) {
      const int kind = Kind(next_);
      if (kind == LEXAN_LITERAL && !named) {
        named = true;
        Token(next_).token_class = TokenClass::Routine;
        Token(next_).symbol = routine_ = Find_Name(routines_, Text(next_));
      } else if (kind == '-') {
        Token(next_).token_class = TokenClass::Number;
      } else if (kind == LEXAN_INTEGER || kind == VMASM_KEYWORD_TRUE || kind == VMASM_KEYWORD_FALSE) {
        values.push_back((Kind(next_ - 1) == '-' ? "-" : "") + std::string(Text(next_)));
      }
    }
    if (Kind(next_) == ']') {
      Token(next_).token_class = TokenClass::RoutineHeader;
      Mark(next_++, routine_);
    }
    ScriptSymbol* routine = routine_ >= 0 ? &data_.symbols[static_cast<std::size_t>(routine_)] : nullptr;
    if (routine != nullptr && routine->detail.empty()) {
      routine->detail = Format_Printf("speed %s, priority %s, debug %s", values.size() > 0 ? values[0].c_str() : "?",
                                      values.size() > 1 ? values[1].c_str() : "?",
                                      values.size() > 2 ? values[2].c_str() : "false");
    }
  }

  // One token of a data section's body: a name starts an entry; numbers,
  // strings and punctuation keep the classes of their kinds.
  void Data_Entry_Token() {
    const int g = next_++;
    if (Kind(g) == '-') Token(g).token_class = TokenClass::Number;
    if (Kind(g) != LEXAN_LITERAL) return;
    switch (section_) {
      case Section::Objects:
        Define(g, TokenClass::Object, objects_, SymbolKind::Object,
               Kind(g + 1) == '<' && Kind(g + 2) == LEXAN_INTEGER ? "<" + std::string(Text(g + 2)) + ">" : "");
        break;
      case Section::Positions:
        Define(g, TokenClass::Position, positions_, SymbolKind::Position, Values_After(g, 3));
        break;
      case Section::Variables:
        Define(g, TokenClass::Variable, variables_, SymbolKind::Variable, Values_After(g, 1));
        break;
      case Section::Texts:
        Define(g, TokenClass::Text, texts_, SymbolKind::Text,
               Kind(g + 1) == ',' && Kind(g + 2) == LEXAN_STRING ? Whole_String(g + 2) : "");
        break;
      default:
        break;
    }
  }

  // The signed integers of an entry ("," and a value, `count` times), joined by ", ".
  std::string Values_After(int name, int count) {
    std::string values;
    int g = name + 1;
    for (int n = 0; n < count && Kind(g) == ','; ++n) {
      std::string value = Kind(++g) == '-' ? "-" : "";
      if (!value.empty()) ++g;
      if (Kind(g) != LEXAN_INTEGER) break;
      values += (values.empty() ? "" : ", ") + value + std::string(Text(g++));
    }
    return values;
  }

  // A string as written, its pieces joined.
  std::string Whole_String(int g) {
    std::size_t last = Index(g);
    while (last + 1 < lexed_.size() && lexed_[last + 1].continued) ++last;
    const std::size_t start = lexed_[Index(g)].offset;
    return data_.text.substr(start, lexed_[last].offset + static_cast<std::size_t>(lexed_[last].length) - start);
  }

  void Routine_Body_Token() {
    const int g = next_;
    Mark(g, routine_);
    const int kind = Kind(g);
    if (kind == LEXAN_LITERAL && Kind(g + 1) == ':') {
      Label_Definition(g);
      Mark(g + 1, routine_);
      next_ += 2;
    } else if (Is_Operation(kind)) {
      Step(g);
    } else {
      ++next_;
    }
  }

  void Label_Definition(int g) {
    Token(g).token_class = TokenClass::Label;
    const auto [entry, added] = Entry_Of(labels_[routine_], Text(g));
    if (added) {
      *entry = Add_Symbol(SymbolKind::Label, g, {}, routine_);
      Token(g).definition = true;
    }
    Token(g).symbol = *entry;
  }

  // An operation and its operands: a comma before each, as many as the
  // catalogue gives it, the optional ones only when a comma follows.
  void Step(int g) {
    ScriptAnalysisData::Step step;
    step.operation = Kind(g) - kFirstOpcodeToken;
    step.routine = routine_;
    const int index = static_cast<int>(data_.steps.size());
    Mark(g, routine_, index);
    const OpcodeDefinition& operation = kOpcodeTable[static_cast<std::size_t>(step.operation)];
    int label_routine = routine_;
    next_ = g + 1;
    for (std::size_t slot = 0; slot < 4 && operation.operand_types[slot] != 0; ++slot) {
      const std::optional<OperandSlot> expected = Decode_Operand_Type(operation.operand_types[slot]);
      if (!expected || Kind(next_) != ',') break;
      Mark(next_++, routine_, index, static_cast<int>(slot));
      step.label_routines[slot] = label_routine;
      const int operand = next_;
      if (!Operand(*expected, index, static_cast<int>(slot))) continue;
      if (expected->kind == OperandKind::Routine && Token(operand).symbol >= 0) label_routine = Token(operand).symbol;
      if (expected->zero_ends && Text(next_ - 1) == "0") break;
    }
    data_.steps.push_back(step);
  }

  // Takes the operand at next_ when its kind fits the slot; false when it does not.
  bool Operand(const OperandSlot& expected, int step, int slot) {
    const int kind = Kind(next_);
    const auto take = [&](TokenClass token_class, int symbol = -1) {
      Token(next_).token_class = token_class;
      Token(next_).symbol = symbol;
      Mark(next_++, routine_, step, slot);
      return true;
    };
    const auto find = [&](const NameTable& names) { return Find_Name(names, Text(next_)); };
    switch (expected.kind) {
      case OperandKind::Object:
        return kind == LEXAN_LITERAL && take(TokenClass::Object, find(objects_));
      case OperandKind::Position:
        return kind == LEXAN_LITERAL && take(TokenClass::Position, find(positions_));
      case OperandKind::Variable:
        return kind == LEXAN_LITERAL && take(TokenClass::Variable, find(variables_));
      case OperandKind::TextName:
        return kind == LEXAN_LITERAL && take(TokenClass::Text, find(texts_));
      case OperandKind::Routine:
        return kind == LEXAN_LITERAL && take(TokenClass::Routine, find(routines_));
      case OperandKind::Label:
        if (kind != LEXAN_LITERAL) return false;
        pending_labels_.push_back(next_);
        return take(TokenClass::Label);
      case OperandKind::String:
        return kind == LEXAN_STRING && take(TokenClass::String);
      case OperandKind::Color:
        return (kind == VMASM_KEYWORD_WHITE || kind == VMASM_KEYWORD_GREEN || kind == VMASM_KEYWORD_RED) &&
               take(TokenClass::Constant);
      case OperandKind::Boolean:
      case OperandKind::Integer:
      case OperandKind::Number:
        if (kind == VMASM_KEYWORD_TRUE || kind == VMASM_KEYWORD_FALSE)
          return expected.kind != OperandKind::Integer && take(TokenClass::Boolean);
        if (expected.kind == OperandKind::Boolean) return false;
        if (kind == '-' && Kind(next_ + 1) == LEXAN_INTEGER) {
          take(TokenClass::Number);
          return take(TokenClass::Number);
        }
        return kind == LEXAN_INTEGER && take(TokenClass::Number);
    }
    return false;
  }

  // A label operand names a label of the routine its step is in, or of the
  // routine that a routine operand before it in the step names.
  void Resolve_Labels() {
    for (int g : pending_labels_) {
      const std::size_t i = Index(g);
      const ScriptAnalysisData::Step& step = data_.steps[static_cast<std::size_t>(data_.token_steps[i])];
      const int routine = step.label_routines[static_cast<std::size_t>(data_.token_slots[i])];
      const auto labels = labels_.find(routine);
      if (labels == labels_.end()) continue;
      Token(g).symbol = Find_Name(labels->second, Text(g));
    }
  }

  ScriptAnalysisData& data_;
  const std::vector<LexedToken>& lexed_;
  std::vector<int> grammar_;  // the indices of the grammar's tokens
  int count_ = 0;
  int next_ = 0;
  Section section_ = Section::None;
  int routine_ = -1;
  NameTable routines_;
  NameTable objects_;
  NameTable positions_;
  NameTable variables_;
  NameTable texts_;
  std::unordered_map<int, NameTable> labels_;  // by routine
  std::vector<int> pending_labels_;
};

}  // namespace

void Walk_Script(ScriptAnalysisData& data, const std::vector<LexedToken>& lexed) { Walker(data, lexed).Walk(); }

void Add_Unused_Warnings(ScriptAnalysisData& data) {
  std::vector<int> uses(data.symbols.size(), 0);
  for (const ScriptToken& token : data.tokens)
    if (token.symbol >= 0 && !token.definition) ++uses[static_cast<std::size_t>(token.symbol)];
  for (std::size_t s = 0; s < data.symbols.size(); ++s) {
    const ScriptSymbol& symbol = data.symbols[s];
    if (uses[s] > 0 || symbol.kind == SymbolKind::Routine) continue;
    const char* what = symbol.kind == SymbolKind::Label      ? "location label"
                       : symbol.kind == SymbolKind::Object   ? "object"
                       : symbol.kind == SymbolKind::Position ? "position"
                       : symbol.kind == SymbolKind::Variable ? "variable"
                                                             : "text";
    ScriptDiagnostic warning;
    warning.severity = DiagnosticSeverity::Warning;
    warning.line = symbol.line;
    warning.column = symbol.column;
    warning.length = symbol.length;
    warning.message = Format_Printf("The %s '%s' is never used.", what, symbol.name.c_str());
    data.warnings.push_back(std::move(warning));
  }
}

}  // namespace kx
