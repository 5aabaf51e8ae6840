#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "lexan/lexan.h"
#include "util/platform.h"
#include "util/text.h"
#include "vmasm/vmasm.h"

namespace kx {
namespace {

constexpr const char* kModule = "vmasm/vmasm_read";

struct Keyword {
  const char* text;
  int kind;
};

constexpr Keyword kKeywords[] = {
    {"true", VMASM_KEYWORD_TRUE},           {"false", VMASM_KEYWORD_FALSE},
    {"objects", VMASM_KEYWORD_OBJECTS},     {"positions", VMASM_KEYWORD_POSITIONS},
    {"variables", VMASM_KEYWORD_VARIABLES}, {"text", VMASM_KEYWORD_TEXT},
    {"routine", VMASM_KEYWORD_ROUTINE},     {"white", VMASM_KEYWORD_WHITE},
    {"green", VMASM_KEYWORD_GREEN},         {"red", VMASM_KEYWORD_RED},
};

constexpr char kSpecials[] = {'-', ':', ',', '<', '>', '[', ']'};

constexpr const char* kHint = "Please correct the error and try again.";

// Limits are compared in 64 bits: the configured values are arbitrary 32-bit
// numbers and must not overflow when one is added or taken away.

[[noreturn]] void Object_Limit(Lexan& lexan, std::int32_t limit) {
  lexan.Lexan_Error(
      "The object count exceeds the limit of %d objects set for the target template DLL output "
      "file.",
      limit);
}

[[noreturn]] void Row_Limit(Lexan& lexan, const char* array, std::int32_t rows) {
  lexan.Lexan_Error(
      "The %s array row size exceeds the limit of %d rows set for the target template DLL output "
      "file.",
      array, rows);
}

[[noreturn]] void Column_Limit(Lexan& lexan, const char* array, std::int32_t columns) {
  lexan.Lexan_Error(
      "The %s array column size exceeds the limit of %lld columns set for the target template "
      "DLL output file.",
      array, static_cast<long long>(columns) - 1);
}

[[noreturn]] void Step_Limit(Lexan& lexan, std::int32_t rows) {
  lexan.Lexan_Error(
      "Number of opcodes including the terminating halt instruction for each routine exceeds the "
      "storage limit of %d opcodes set for the target template DLL output file.",
      rows);
}

bool Too_Long(std::string_view text, std::int32_t columns) {
  return static_cast<std::int64_t>(text.size()) > std::int64_t{columns} - 1;
}

}  // namespace

void VMAsm::Read_Script(const std::filesystem::path& path, const TemplateConfig& config) {
  Read(platform::Path_Text(path), config, [&path](Lexan& lexan) { lexan.Lexan_Open_File(path); });
}

void VMAsm::Read_Script_Text(const std::string& name, std::string_view text, const TemplateConfig& config) {
  Read(name, config, [text](Lexan& lexan) { lexan.Lexan_Open_Text(text); });
}

void VMAsm::Read(const std::string& name, const TemplateConfig& config,
                 const std::function<void(Lexan&)>& open) {
  lexer_.reset();
  notices_.Report("Processing file: \"%s\"\n\n", name.c_str());
  try {
    lexer_ = std::make_unique<Lexan>(errors_, kHint);
    const ScriptContexts contexts = Register_Script_Vocabulary(*lexer_, catalogue_);
    keyword_context_ = contexts.keywords;
    name_context_ = contexts.names;
    lexer_->Lexan_Set_Context(keyword_context_);
    open(*lexer_);
    template_ = &config;
    Read_Objects();
    Read_Positions();
    Read_Variables();
    Read_Text();
    Read_Routines();
    lexer_->Lexan_Match(LEXAN_END_OF_FILE);
    notices_.Report("Number of lines processed: %d\n\n", lexer_->Lexan_Line());
  } catch (const BuildFailure&) {
    Number_Operand_Names();  // of the routines read before the failure
    const int line = lexer_ ? lexer_->Lexan_Line() : 0;
    if (lexer_) failure_span_ = lexer_->Lexan_Error_Span();
    lexer_.reset();  // closes the file
    throw BuildFailure(line);
  } catch (...) {
    lexer_.reset();
    throw;
  }
  lexer_->Lexan_Close_File();
  lexer_.reset();
}

ScriptContexts Register_Script_Vocabulary(Lexan& lexan, const VMOpcode& catalogue) {
  ScriptContexts contexts;
  contexts.keywords = lexan.Lexan_Create_Context();
  for (LexanScanner scanner : {Scan_Special, Scan_Integer, Scan_String, Scan_Keyword, Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  contexts.names = lexan.Lexan_Create_Context();
  for (LexanScanner scanner : {Scan_Special, Scan_Integer, Scan_String, Scan_Literal})
    lexan.Lexan_Add_Scanner(scanner);
  for (char special : kSpecials) lexan.Lexan_Add_Special(special);
  for (const Keyword& keyword : kKeywords) lexan.Lexan_Add_Keyword(keyword.text, keyword.kind);
  for (const OpcodeRecord& opcode : catalogue.by_token()) lexan.Lexan_Add_Keyword(opcode.name, opcode.token);
  return contexts;
}

// "[" and the section keyword under the keyword context; the "]" is matched
// under the name context, so the first entry is read without keywords.
void VMAsm::Read_Section_Start(int keyword) {
  lexer_->Lexan_Match('[');
  lexer_->Lexan_Match(keyword);
  lexer_->Lexan_Set_Context(name_context_);
  lexer_->Lexan_Match(']');
}

// The "[" that ends a section was read without keywords; what follows it is
// read with them.
void VMAsm::Read_Section_End() {
  if (lexer_->Lexan_Token() != '[') lexer_->Lexan_Expected({LEXAN_LITERAL, '['});
  lexer_->Lexan_Set_Context(keyword_context_);
}

std::unique_ptr<SymbolRecord> VMAsm::New_Symbol(VMAsm_Symbol_Type kind, std::int32_t index,
                                                const char* word) {
  auto symbol = std::make_unique<SymbolRecord>();
  symbol->kind = kind;
  symbol->index = index;
  symbol->name = lexer_->Lexan_Literal();
  if (Find_Symbol(kind, symbol->name) != nullptr)
    lexer_->Lexan_Error("The %s label '%s' had been defined previously.", word, symbol->name.c_str());
  return symbol;
}

void VMAsm::Add_Symbol(std::unique_ptr<SymbolRecord> symbol) {
  LinkedList<SymbolRecord>* list = symbol->kind == VMASM_SYMBOL_OBJECT     ? &objects_
                                   : symbol->kind == VMASM_SYMBOL_POSITION ? &positions_
                                   : symbol->kind == VMASM_SYMBOL_VARIABLE ? &variables_
                                                                           : &texts_;
  SymbolIndex* index = Index_Of(symbol->kind);
  const auto place = static_cast<std::uint32_t>(list->count());
  SymbolRecord& stored = list->Add(std::move(symbol));
  stored.text_number = operand_texts_.Add(stored.name, static_cast<std::uint16_t>(stored.index));
  std::int32_t& first = first_symbol_number_[static_cast<std::size_t>(stored.kind)];
  if (place == 0) first = stored.text_number;
  const bool placed = place < kUnplaced && std::int64_t{first} + place == stored.text_number;
  index->Insert(stored, (placed ? place : kUnplaced) << 16 | static_cast<std::uint16_t>(stored.index));
}

void VMAsm::Read_Objects() {
  Lexan& lexan = *lexer_;
  const std::int32_t limit = template_->max_object_count;
  Read_Section_Start(VMASM_KEYWORD_OBJECTS);
  std::int64_t slot = 0;
  while (lexan.Lexan_Token() == LEXAN_LITERAL) {
    if (slot + 1 > limit) Object_Limit(lexan, limit);
    auto symbol = New_Symbol(VMASM_SYMBOL_OBJECT, static_cast<std::int32_t>(slot), "object");
    slot += 1;
    lexan.Lexan_Match(LEXAN_LITERAL);
    if (lexan.Lexan_Token() == '<') {
      lexan.Lexan_Match('<');
      const std::uint32_t count = lexan.Lexan_Value();
      if (lexan.Lexan_Token() == LEXAN_INTEGER && slot + count - 1 > limit) Object_Limit(lexan, limit);
      lexan.Lexan_Match(LEXAN_INTEGER);
      slot += std::int64_t{count} - 1;
      symbol->array_count = count;
      lexan.Lexan_Match('>');
    } else if (lexan.Lexan_Token() != '[' && lexan.Lexan_Token() != LEXAN_LITERAL) {
      lexan.Lexan_Expected({LEXAN_LITERAL, '[', '<'});
    }
    Add_Symbol(std::move(symbol));
  }
  Read_Section_End();
}

void VMAsm::Read_Positions() {
  Lexan& lexan = *lexer_;
  const std::int32_t rows = template_->position_array_rows;
  Read_Section_Start(VMASM_KEYWORD_POSITIONS);
  while (lexan.Lexan_Token() == LEXAN_LITERAL) {
    if (std::int64_t{positions_.count()} + 1 > rows) Row_Limit(lexan, "position", rows);
    auto symbol = New_Symbol(VMASM_SYMBOL_POSITION, positions_.count(), "position");
    lexan.Lexan_Match(LEXAN_LITERAL);
    lexan.Lexan_Match(',');
    symbol->x = Read_Integer();
    lexan.Lexan_Match(',');
    symbol->y = Read_Integer();
    lexan.Lexan_Match(',');
    symbol->z = Read_Integer();
    Add_Symbol(std::move(symbol));
  }
  Read_Section_End();
}

void VMAsm::Read_Variables() {
  Lexan& lexan = *lexer_;
  const std::int32_t rows = template_->integer_array_rows;
  Read_Section_Start(VMASM_KEYWORD_VARIABLES);
  while (lexan.Lexan_Token() == LEXAN_LITERAL) {
    if (std::int64_t{variables_.count()} + 1 > rows) Row_Limit(lexan, "integer", rows);
    auto symbol = New_Symbol(VMASM_SYMBOL_VARIABLE, variables_.count(), "variable");
    lexan.Lexan_Match(LEXAN_LITERAL);
    lexan.Lexan_Match(',');
    symbol->x = Read_Integer();
    Add_Symbol(std::move(symbol));
  }
  Read_Section_End();
}

void VMAsm::Read_Text() {
  Lexan& lexan = *lexer_;
  const std::int32_t rows = template_->objective_array_rows;
  const std::int32_t columns = template_->objective_array_cols;
  Read_Section_Start(VMASM_KEYWORD_TEXT);
  while (lexan.Lexan_Token() == LEXAN_LITERAL) {
    if (std::int64_t{texts_.count()} + 1 > rows) Row_Limit(lexan, "objective", rows);
    auto symbol = New_Symbol(VMASM_SYMBOL_TEXT, texts_.count(), "text");
    lexan.Lexan_Match(LEXAN_LITERAL);
    lexan.Lexan_Match(',');
    std::string text;
    if (lexan.Lexan_Token() == LEXAN_STRING) text = Unescape_Newlines(lexan.Lexan_String());
    if (Too_Long(text, columns)) Column_Limit(lexan, "objective", columns);
    symbol->text = &interned_[interned_.Intern(text)];
    lexan.Lexan_Match(LEXAN_STRING);
    Add_Symbol(std::move(symbol));
  }
  Read_Section_End();
}

// The string table entry of a string operand (the current token).
std::int32_t VMAsm::Enter_String(std::string_view text) {
  if (Too_Long(text, template_->name_array_cols)) Column_Limit(*lexer_, "name", template_->name_array_cols);
  if (const auto found = string_index_.Find_Tagged(text); found.found)
    return static_cast<std::int32_t>(found.tag);
  if (std::int64_t{strings_.count()} + 1 > template_->name_array_rows)
    Row_Limit(*lexer_, "name", template_->name_array_rows);
  StringRecord record;
  record.index = string_count_;
  record.text = text;
  StringRecord& stored = strings_.Add(std::move(record));
  stored.text_number = operand_texts_.Add(stored.text, static_cast<std::uint16_t>(stored.index));
  string_index_.Insert(stored, static_cast<std::uint32_t>(stored.text_number));
  ++string_count_;
  return stored.text_number;
}

std::int32_t VMAsm::Read_Integer() {
  Lexan& lexan = *lexer_;
  if (lexan.Lexan_Token() == '-') {
    lexan.Lexan_Match('-');
    const std::uint32_t value = lexan.Lexan_Value();
    // Negating a larger value would wrap it round to a positive number.
    if (lexan.Lexan_Token() == LEXAN_INTEGER && value > 2147483648u)
      lexan.Lexan_Error("Integer value less than -2147483648.");
    lexan.Lexan_Match(LEXAN_INTEGER);
    return static_cast<std::int32_t>(0u - value);
  }
  if (lexan.Lexan_Token() == LEXAN_INTEGER) {
    const std::uint32_t value = lexan.Lexan_Value();
    lexan.Lexan_Match(LEXAN_INTEGER);
    return static_cast<std::int32_t>(value);
  }
  lexan.Lexan_Expected({LEXAN_INTEGER, '-'});
}

std::int32_t VMAsm::Read_Boolean() {
  Lexan& lexan = *lexer_;
  if (lexan.Lexan_Token() == VMASM_KEYWORD_TRUE) {
    lexan.Lexan_Match(VMASM_KEYWORD_TRUE);
    return 1;
  }
  if (lexan.Lexan_Token() == VMASM_KEYWORD_FALSE) {
    lexan.Lexan_Match(VMASM_KEYWORD_FALSE);
    return 0;
  }
  lexan.Lexan_Expected({VMASM_KEYWORD_TRUE, VMASM_KEYWORD_FALSE});
}

void VMAsm::Read_Routines() {
  Lexan& lexan = *lexer_;
  const std::int32_t limit = template_->max_routine_count;
  // The routines are read under one context to the end of the script: their
  // tokens can be read ahead on a second thread.
  lexan.Lexan_Read_Ahead();
  while (lexan.Lexan_Token() == '[') {
    if (std::int64_t{routines_.count()} + 1 > limit)
      lexan.Lexan_Error(
          "The number of routine exceeds the limit of %d routines set for the target template "
          "DLL output file.",
          limit);
    // Kept here until its whole section is read: a failed routine never
    // reaches the list.
    RoutineRecord routine;
    routine.index = routines_.count();
    lexan.Lexan_Match('[');
    lexan.Lexan_Match(VMASM_KEYWORD_ROUTINE);
    lexan.Lexan_Match(',');
    routine.name = lexan.Lexan_Literal();
    // A name that is not a literal is refused by the match below.
    const std::int32_t name_number =
        lexan.Lexan_Token() == LEXAN_LITERAL ? operand_texts_.Add_Name(routine.name) : 0;
    if (Find_Routine_By_Number(name_number) != nullptr)
      lexan.Lexan_Error("The routine label '%s' had been defined previously.", routine.name.c_str());
    lexan.Lexan_Match(LEXAN_LITERAL);
    lexan.Lexan_Match(',');
    routine.speed = Read_Integer();
    lexan.Lexan_Match(',');
    routine.priority = Read_Boolean();
    if (lexan.Lexan_Token() == ',') {
      lexan.Lexan_Match(',');
      routine.debug = Read_Boolean();
    } else if (lexan.Lexan_Token() != ']') {
      lexan.Lexan_Expected({',', ']'});
    }
    if (std::int64_t{step_count_} + 1 > template_->step_data_array_rows)
      Step_Limit(lexan, template_->step_data_array_rows);
    lexan.Lexan_Match(']');
    Read_Routine_Body(routine);
    const RoutineRecord& stored = routines_.Add(std::move(routine));
    const auto number = static_cast<std::size_t>(name_number);
    if (routine_by_name_.size() <= number) routine_by_name_.resize(number + 1);
    routine_by_name_[number] = &stored;
  }
  Number_Operand_Names();
}

// Enough to overlap many misses, over as many routines as they take; few
// enough that their steps are still in the cache.
constexpr std::size_t kNamesNumberedTogether = 512;

void VMAsm::Read_Routine_Body(RoutineRecord& routine) {
  Lexan& lexan = *lexer_;
  RoutineBody& body = routine.body;
  const std::int32_t rows = template_->step_data_array_rows;
  const std::size_t first_step = steps_.size();
  const std::size_t first_label = labels_.size();
  body.reader = this;
  label_tables_.Begin();
  while (lexan.Lexan_Token() != '[' && lexan.Lexan_Token() != LEXAN_END_OF_FILE) {
    StepRecord step;
    if (lexan.Lexan_Token() == LEXAN_LITERAL) {
      const std::string_view name = lexan.Lexan_Literal();
      const std::int32_t name_number = operand_texts_.Add_Name(name);
      if (!label_tables_.Insert(name_number, step_count_))
        lexan.Lexan_Error("The location label '%s' had been defined previously in this routine.",
                          name.data());
      LabelRecord label;
      label.index = step_count_;
      label.name = operand_texts_.Text(name_number);
      labels_.Add(label);
      step.label = name_number;
      lexan.Lexan_Match(LEXAN_LITERAL);
      lexan.Lexan_Match(':');
    }
    const OpcodeRecord* opcode = catalogue_.Find_Opcode_By_Token(lexan.Lexan_Token());
    if (opcode != nullptr) {
      // This step and the routine's halt must both fit.
      if (std::int64_t{step_count_} + 1 > std::int64_t{rows} - 1) Step_Limit(lexan, rows);
      Read_Opcode(*opcode, step);
      ++step_count_;
      steps_.Add(step);
      if (unnumbered_names_.size() >= kNamesNumberedTogether) Number_Operand_Names();
    } else if (lexan.Lexan_Token() != '[' && lexan.Lexan_Token() != LEXAN_LITERAL &&
               lexan.Lexan_Token() != LEXAN_END_OF_FILE) {
      Expected_Step();
    }
    // Otherwise the step held at most a label and is dropped; its label stays.
  }
  body.steps = RecordRange<StepRecord>(steps_, first_step, steps_.size() - first_step);
  body.labels = RecordRange<LabelRecord>(labels_, first_label, labels_.size() - first_label);
  body.label_table = label_tables_.building();
  if (std::int64_t{step_count_} + 1 > rows) Step_Limit(lexan, rows);
  ++step_count_;  // the routine's terminating halt
}

// Names a label, "[", the first two and the last operation by name, or the
// end of the file.
void VMAsm::Expected_Step() {
  auto by_name = catalogue_.by_name().begin();
  const int first = by_name->token;
  ++by_name;
  const int second = by_name->token;
  const int last = catalogue_.by_name().Last()->token;
  lexer_->Lexan_Expected({LEXAN_LITERAL, '[', first, second, LEXAN_ELLIPSIS, last, LEXAN_END_OF_FILE});
}

void VMAsm::Read_Opcode(const OpcodeRecord& opcode, StepRecord& step) {
  Lexan& lexan = *lexer_;
  step.token = lexan.Lexan_Token();
  step.line = lexan.Lexan_Line();
  lexan.Lexan_Match(opcode.token);
  for (std::size_t slot = 0; slot < opcode.operand_types.size(); ++slot) {
    const VMOpcode_Operand_Type type = opcode.operand_types[slot];
    if (type == 0) break;
    const OperandSlot* decoded = Find_Operand_Slot(type);
    if (!decoded) {
      errors_.Raise_At(kModule, "Read_Opcode", "Illegal operand type (\"%s\", %d)", opcode.name.c_str(),
                       type);
    }
    Operand& operand = step.operands[slot];
    // An optional operand is present exactly when a comma follows; one left
    // out holds no name, or the number 0.
    if (decoded->optional && lexan.Lexan_Token() != ',') {
      operand.type = Stored_Type(decoded->kind);
      continue;
    }
    switch (decoded->kind) {
      case OperandKind::Object:
        Read_Operand_Symbol(VMASM_SYMBOL_OBJECT, "object", operand);
        break;
      case OperandKind::String:
        Read_Operand_String(operand);
        break;
      case OperandKind::TextName:
        Read_Operand_Symbol(VMASM_SYMBOL_TEXT, "text", operand);
        break;
      case OperandKind::Variable:
        Read_Operand_Symbol(VMASM_SYMBOL_VARIABLE, "variable", operand);
        break;
      case OperandKind::Position:
        Read_Operand_Symbol(VMASM_SYMBOL_POSITION, "position", operand);
        break;
      case OperandKind::Routine:
      case OperandKind::Label:
        Read_Operand_Name(operand, slot);
        break;
      case OperandKind::Integer:
        Read_Operand_Integer(operand);
        break;
      case OperandKind::Boolean:
        Read_Operand_Boolean(operand);
        break;
      case OperandKind::Number:
        Read_Operand_Number(operand);
        break;
      case OperandKind::Color:
        Read_Operand_Color(operand);
        break;
    }
    if (decoded->zero_ends && operand.value() == 0) break;
  }
}

void VMAsm::Read_Operand_Integer(Operand& operand) {
  lexer_->Lexan_Match(',');
  operand.type = VMASM_OPERAND_INTEGER;
  operand.datum = Read_Integer();
}

void VMAsm::Read_Operand_Boolean(Operand& operand) {
  lexer_->Lexan_Match(',');
  operand.type = VMASM_OPERAND_BOOLEAN;
  operand.datum = Read_Boolean();
}

void VMAsm::Read_Operand_String(Operand& operand) {
  Lexan& lexan = *lexer_;
  lexan.Lexan_Match(',');
  if (lexan.Lexan_Token() == LEXAN_STRING) {
    const std::int32_t number = Enter_String(lexan.Lexan_String());
    operand.type = VMASM_OPERAND_STRING;
    operand.datum = number;
    operand.word = operand_texts_.Word(number);
  }
  lexan.Lexan_Match(LEXAN_STRING);
}

void VMAsm::Read_Operand_Symbol(VMAsm_Symbol_Type kind, const char* word, Operand& operand) {
  Lexan& lexan = *lexer_;
  lexan.Lexan_Match(',');
  if (lexan.Lexan_Token() == LEXAN_LITERAL) {
    const std::string_view name = lexan.Lexan_Literal();
    // The index's tag gives the symbol's word and text number: its record is not read.
    const SymbolIndex& index = *Index_Of(kind);
    const auto found = index.Find_Tagged(name);
    if (!found.found) lexan.Lexan_Error("The symbol '%s' not defined in '%s' list.", name.data(), word);
    const std::uint32_t place = found.tag >> 16;
    operand.type = VMASM_OPERAND_LITERAL;
    operand.datum = place != kUnplaced ? first_symbol_number_[static_cast<std::size_t>(kind)] +
                                             static_cast<std::int32_t>(place)
                                       : index.Find(name)->text_number;
    operand.word = static_cast<std::uint16_t>(found.tag);
  }
  lexan.Lexan_Match(LEXAN_LITERAL);
}

void VMAsm::Read_Operand_Name(Operand& operand, std::size_t slot) {
  Lexan& lexan = *lexer_;
  lexan.Lexan_Match(',');
  operand.type = VMASM_OPERAND_LITERAL;
  // The step is stored next, as steps_[steps_.size()]; its operand is
  // numbered with others (Number_Operand_Names), and until then holds 0. A
  // name that is not a literal is refused by the match below.
  if (lexan.Lexan_Token() == LEXAN_LITERAL) {
    const std::string_view name = lexan.Lexan_Literal();
    unnumbered_names_.push_back({static_cast<std::uint32_t>(steps_.size()), static_cast<std::uint32_t>(slot),
                                 static_cast<std::uint32_t>(unnumbered_text_.size()),
                                 static_cast<std::uint32_t>(name.size())});
    unnumbered_text_.append(name);
  }
  lexan.Lexan_Match(LEXAN_LITERAL);
}

void VMAsm::Number_Operand_Names() {
  // Far enough ahead for the slot to arrive before its name is looked up.
  constexpr std::size_t kAhead = 8;
  const std::size_t count = unnumbered_names_.size();
  auto name_of = [&](std::size_t at) {
    const UnnumberedName& unnumbered = unnumbered_names_[at];
    return std::string_view(unnumbered_text_).substr(unnumbered.offset, unnumbered.size);
  };
  for (std::size_t at = 0; at < std::min(count, kAhead); ++at) operand_texts_.Prefetch_Name(name_of(at));
  for (std::size_t at = 0; at < count; ++at) {
    if (at + kAhead < count) operand_texts_.Prefetch_Name(name_of(at + kAhead));
    const UnnumberedName& unnumbered = unnumbered_names_[at];
    const std::int32_t number = operand_texts_.Add_Name(name_of(at));
    // A step whose reading failed was never stored.
    if (unnumbered.step < steps_.size()) steps_[unnumbered.step].operands[unnumbered.slot].datum = number;
  }
  unnumbered_names_.clear();
  unnumbered_text_.clear();
}

// An unsigned integer or a boolean; no minus sign here.
void VMAsm::Read_Operand_Number(Operand& operand) {
  Lexan& lexan = *lexer_;
  lexan.Lexan_Match(',');
  if (lexan.Lexan_Token() == LEXAN_INTEGER) {
    operand.type = VMASM_OPERAND_INTEGER;
    operand.datum = static_cast<std::int32_t>(lexan.Lexan_Value());
    lexan.Lexan_Match(LEXAN_INTEGER);
  } else if (lexan.Lexan_Token() == VMASM_KEYWORD_TRUE || lexan.Lexan_Token() == VMASM_KEYWORD_FALSE) {
    operand.type = VMASM_OPERAND_BOOLEAN;
    operand.datum = Read_Boolean();
  } else {
    lexan.Lexan_Expected({LEXAN_INTEGER, VMASM_KEYWORD_TRUE, VMASM_KEYWORD_FALSE});
  }
}

void VMAsm::Read_Operand_Color(Operand& operand) {
  Lexan& lexan = *lexer_;
  lexan.Lexan_Match(',');
  switch (lexan.Lexan_Token()) {
    case VMASM_KEYWORD_WHITE:
      operand.datum = 0;
      break;
    case VMASM_KEYWORD_GREEN:
      operand.datum = 1;
      break;
    case VMASM_KEYWORD_RED:
      operand.datum = 2;
      break;
    default:
      lexan.Lexan_Expected({VMASM_KEYWORD_WHITE, VMASM_KEYWORD_GREEN, VMASM_KEYWORD_RED});
  }
  operand.type = VMASM_OPERAND_COLOR;
  lexan.Lexan_Match(lexan.Lexan_Token());
}

}  // namespace kx
