#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/template_config.h"
#include "diagnostics/error_context.h"
#include "lexan/lexan.h"
#include "util/fixed_pool.h"
#include "util/interned_texts.h"
#include "util/linked_list.h"
#include "util/name_index.h"
#include "util/record_arena.h"
#include "vmasm/label_tables.h"
#include "vmasm/operand_texts.h"
#include "vmopcode/vmopcode.h"

namespace kx {

using VMAsm_Symbol_Type = std::int32_t;
enum : VMAsm_Symbol_Type {
  VMASM_SYMBOL_OBJECT = 1,
  VMASM_SYMBOL_POSITION = 2,
  VMASM_SYMBOL_VARIABLE = 3,
  VMASM_SYMBOL_TEXT = 4,
  VMASM_SYMBOL_LABEL = 5,
};

// Keyword kinds of the script language.
enum : int {
  VMASM_KEYWORD_TRUE = 512,
  VMASM_KEYWORD_FALSE = 513,
  VMASM_KEYWORD_OBJECTS = 514,
  VMASM_KEYWORD_POSITIONS = 515,
  VMASM_KEYWORD_VARIABLES = 516,
  VMASM_KEYWORD_TEXT = 517,
  VMASM_KEYWORD_ROUTINE = 518,
  VMASM_KEYWORD_WHITE = 519,
  VMASM_KEYWORD_GREEN = 520,
  VMASM_KEYWORD_RED = 521,
};

// The two lexer contexts of a script: headers and routines read keywords,
// the bodies of the data sections do not.
struct ScriptContexts {
  int keywords = 0;
  int names = 0;
};

// Registers the script language on `lexan`: its two contexts, its specials
// and its keywords, every operation name among them.
ScriptContexts Register_Script_Vocabulary(Lexan& lexan, const VMOpcode& catalogue);

// One symbol of a data section, or a location label.
struct SymbolRecord {
  std::int32_t index = 0;  // number in its section; objects: slot; labels: absolute RoutineData row
  // Data symbols: the number of the name among the operand texts; labels: 0.
  std::int32_t text_number = 0;
  std::string name;
  VMAsm_Symbol_Type kind = 0;
  std::int32_t x = 0;  // position x; variable: initial value
  std::int32_t y = 0;
  std::int32_t z = 0;
  // Text symbols: the string after line-feed conversion, held by the reader's
  // interned texts; nullptr for the other kinds.
  const std::string* text = nullptr;
  // Objects declared as name<count>: the count as written.
  std::optional<std::uint32_t> array_count;

  // Objects come by the ten thousand in a large script.
  static void* operator new(std::size_t size) { return Pool_Allocate<SymbolRecord>(size); }
  static void operator delete(void* record, std::size_t size) noexcept {
    Pool_Release<SymbolRecord>(record, size);
  }
};

// One entry of the string table: a distinct operand string, as written.
struct StringRecord {
  std::int32_t index = 0;
  std::int32_t text_number = 0;  // the number of the text among the operand texts
  std::string text;
};

enum : std::int32_t {
  VMASM_OPERAND_BOOLEAN = 1,
  VMASM_OPERAND_INTEGER = 2,
  VMASM_OPERAND_STRING = 3,
  VMASM_OPERAND_LITERAL = 4,
  VMASM_OPERAND_COLOR = 5,
};

// The operand type a slot of that kind stores: a name, an integer, a boolean,
// a string or a colour (a boolean-or-integer slot stores an integer unless
// the script wrote true or false).
std::int32_t Stored_Type(OperandKind kind);

// The section whose symbols a slot of that kind names; 0 for kinds that name
// no data symbol (routines, labels and values).
VMAsm_Symbol_Type Symbol_Type_Of(OperandKind kind);

// One operand of a step, in eight bytes. Types 3 and 4 hold a text (a type-4
// operand left out holds none); the others hold a number. An operand counts
// as absent when it holds no text and the number 0.
//
// The text is not owned: the operand holds its number among the reader's
// operand texts (VMAsm::Operand_Text), which are the string table entries,
// the data symbols' names and the routine and label names that operands
// name, each once.
struct Operand {
  std::int16_t type = 0;  // 0: empty
  // Symbol and string operands: the word that stands for the text in the
  // tables (the low 16 bits of the symbol's or the string's index), taken
  // when the reader found the text, so that the generator need not look it
  // up a second time.
  std::uint16_t word = 0;
  // Types 3 and 4: the number of the text, 0 for none; other types: the number held.
  std::int32_t datum = 0;

  static bool Is_Text_Type(std::int32_t type) {
    return type == VMASM_OPERAND_STRING || type == VMASM_OPERAND_LITERAL;
  }
  bool holds_text() const { return Is_Text_Type(type) && datum != 0; }
  std::int32_t value() const { return Is_Text_Type(type) ? 0 : datum; }
  bool absent() const { return datum == 0; }
};

struct StepRecord {
  // The last location label written directly before the step: the number of
  // its name among the operand texts (VMAsm::Name_Text); 0 when none.
  std::int32_t label = 0;
  std::int32_t token = 0;  // the opcode's token
  std::int32_t line = 0;   // script line of the opcode's name
  std::array<Operand, 4> operands;
};

int Compare_Symbol_Names(const SymbolRecord& a, const SymbolRecord& b);
int Compare_String_Texts(const StringRecord& a, const StringRecord& b);

// A location label: the symbol record of kind 5, with its name kept once
// among the reader's operand texts (a label of the same name in every
// routine is one text).
struct LabelRecord {
  std::int32_t index = 0;  // the absolute RoutineData row
  VMAsm_Symbol_Type kind = VMASM_SYMBOL_LABEL;
  const std::string* name = nullptr;
};

class VMAsm;

// The steps and location labels of one routine, in script order. They lie
// in the reader's arenas of all steps and all labels, one routine's after
// another's, and its labels are found through the reader.
struct RoutineBody {
  RecordRange<StepRecord> steps;
  RecordRange<LabelRecord> labels;
  const VMAsm* reader = nullptr;
  LabelTables::Table label_table;  // the labels by name number, in the reader's label tables

  // The step data row of the label named by that number among the reader's
  // operand texts (a label operand's datum); -1 when the routine has none of
  // that name. The generator resolves label operands so, without reading
  // the labels.
  std::int64_t Find_Label_Row(std::int32_t name_number) const;
};

struct RoutineRecord {
  std::int32_t index = 0;
  std::string name;
  std::int32_t speed = 0;
  std::int32_t priority = 0;  // 0 or 1
  std::int32_t debug = 0;     // 0 or 1
  RoutineBody body;
};

int Compare_Routine_Names(const RoutineRecord& a, const RoutineRecord& b);

// The script reader: reads one script into symbol lists, a string table and
// routines, checking every count and length against a template's limits,
// and writes the assembler listing of what it read.
class VMAsm {
 public:
  VMAsm(ErrorContext& errors, ErrorContext& notices, VMOpcode& catalogue);
  ~VMAsm();

  VMAsm(const VMAsm&) = delete;
  VMAsm& operator=(const VMAsm&) = delete;

  // Reads and checks the whole script; a failure throws BuildFailure holding
  // the script line at which reading stopped. Called at most once.
  void Read_Script(const std::filesystem::path& path, const TemplateConfig& config);
  // The same for a script's text; `name` stands for its file in the notices.
  void Read_Script_Text(const std::string& name, std::string_view text, const TemplateConfig& config);
  // After a failed read: where its positioned diagnostic pointed (line 0 when
  // the failure had no position in the script).
  const Lexan::Span& failure_span() const { return failure_span_; }

  // Writes the assembler listing of what was read, in the script format with
  // CR LF line ends, so that reading it back gives the same records. The
  // listing is built in a temporary file beside `path` and moved over it only
  // when complete: a failure (raised on the error context, BuildFailure with
  // line 0) leaves an existing file at `path` untouched.
  void Write_Listing(const std::filesystem::path& path);

  // Read access for the generator and the writers.
  const LinkedList<SymbolRecord>& objects() const { return objects_; }
  const LinkedList<SymbolRecord>& positions() const { return positions_; }
  const LinkedList<SymbolRecord>& variables() const { return variables_; }
  const LinkedList<SymbolRecord>& texts() const { return texts_; }
  const LinkedList<RoutineRecord>& routines() const { return routines_; }
  const LinkedList<StringRecord>& strings() const { return strings_; }
  std::int32_t string_count() const { return string_count_; }
  std::int32_t step_count() const { return step_count_; }
  const TemplateConfig* template_config() const { return template_; }
  VMOpcode& catalogue() const { return catalogue_; }

  // Lookups by exact, case-sensitive name; nullptr when missing.
  const SymbolRecord* Find_Symbol(VMAsm_Symbol_Type kind, std::string_view name) const;
  const StringRecord* Find_String(std::string_view text) const;
  const RoutineRecord* Find_Routine(std::string_view name) const;
  // The same by the number of the name among the operand texts (a routine
  // operand's datum).
  const RoutineRecord* Find_Routine_By_Number(std::int32_t name_number) const {
    const auto at = static_cast<std::size_t>(name_number);
    return name_number > 0 && at < routine_by_name_.size() ? routine_by_name_[at] : nullptr;
  }
  std::int64_t Find_Label_Row(const RoutineBody& body, std::int32_t name_number) const {
    return label_tables_.Find(body.label_table, name_number);
  }
  // The text of a number among the operand texts; nullptr for 0.
  const std::string* Name_Text(std::int32_t number) const { return operand_texts_.Text(number); }
  // The text an operand holds; nullptr when it holds none.
  const std::string* Operand_Text(const Operand& operand) const {
    return operand.holds_text() ? operand_texts_.Text(operand.datum) : nullptr;
  }

 private:
  using SymbolIndex = NameIndex<SymbolRecord, &SymbolRecord::name>;

  // Reading (vmasm_read.cpp). Every check raises a positioned diagnostic at
  // the current token, so the failure carries that token's line.
  void Read(const std::string& name, const TemplateConfig& config, const std::function<void(Lexan&)>& open);
  void Read_Section_Start(int keyword);
  void Read_Section_End();
  void Read_Objects();
  void Read_Positions();
  void Read_Variables();
  void Read_Text();
  std::unique_ptr<SymbolRecord> New_Symbol(VMAsm_Symbol_Type kind, std::int32_t index, const char* word);
  void Add_Symbol(std::unique_ptr<SymbolRecord> symbol);
  void Read_Routines();
  void Read_Routine_Body(RoutineRecord& routine);
  void Read_Opcode(const OpcodeRecord& opcode, StepRecord& step);
  void Read_Operand_Integer(Operand& operand);
  void Read_Operand_Boolean(Operand& operand);
  void Read_Operand_String(Operand& operand);
  void Read_Operand_Symbol(VMAsm_Symbol_Type kind, const char* word, Operand& operand);
  void Read_Operand_Name(Operand& operand, std::size_t slot);
  // Numbers the names that the routine and label operands read since the
  // last call hold, and stores the numbers in their steps.
  void Number_Operand_Names();
  void Read_Operand_Number(Operand& operand);
  void Read_Operand_Color(Operand& operand);
  std::int32_t Read_Integer();
  std::int32_t Read_Boolean();
  // Returns the entry's number among the operand texts.
  std::int32_t Enter_String(std::string_view text);
  [[noreturn]] void Expected_Step();

  // Writing (vmasm_write.cpp); every write goes through Write_Formatted.
  void Write_Objects();
  void Write_Positions();
  void Write_Variables();
  void Write_Text();
  void Write_Routines();
  void Write_Opcodes(const RoutineBody& body, std::int32_t first_row);
  void Write_Opcode(const OpcodeRecord& opcode, const StepRecord& step);
  void Write_Operand_Integer(const Operand& operand);
  void Write_Operand_Boolean(const Operand& operand);
  void Write_Operand_String(const Operand& operand);
  void Write_Operand_Literal(const Operand& operand);
  void Write_Operand_Number(const Operand& operand);
  void Write_Operand_Color(const Operand& operand);
  // Each line feed of the formatted text reaches the file as CR LF.
  void Write_Formatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Writes one or a few tokens of a line; when they would make the line 512
  // characters long (tabs expanded), which the reader refuses, a line break
  // goes before them, as a blank may between any two tokens.
  void Write_Token(const char* format, ...) __attribute__((format(printf, 2, 3)));

  SymbolIndex* Index_Of(VMAsm_Symbol_Type kind);
  const SymbolIndex* Index_Of(VMAsm_Symbol_Type kind) const;

  std::int32_t string_count_ = 0;
  std::int32_t step_count_ = 0;
  std::FILE* listing_file_ = nullptr;
  int listing_column_ = 0;  // characters on the listing's current line, tabs expanded
  std::unique_ptr<Lexan> lexer_;
  VMOpcode& catalogue_;
  ErrorContext& errors_;
  ErrorContext& notices_;
  LinkedList<SymbolRecord> objects_;
  LinkedList<SymbolRecord> positions_;
  LinkedList<SymbolRecord> variables_;
  LinkedList<SymbolRecord> texts_;
  // Every step of the script, in script order: a million steps are a million
  // records, which the arena holds without a heap block each.
  RecordArena<StepRecord> steps_;
  RecordArena<LabelRecord> labels_;
  LabelTables label_tables_;
  // Routine and label operands whose names are not numbered yet: a name is
  // a cache miss in a table of a few hundred thousand, and a few hundred of
  // them numbered together overlap their misses. The operand is that of
  // slot `slot` of step `step` in steps_; its name is `size` bytes at
  // `offset` in unnumbered_text_.
  struct UnnumberedName {
    std::uint32_t step = 0;
    std::uint32_t slot = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  std::vector<UnnumberedName> unnumbered_names_;
  std::string unnumbered_text_;
  LinkedList<RoutineRecord> routines_;
  LinkedList<StringRecord> strings_;
  const TemplateConfig* template_ = nullptr;
  Lexan::Span failure_span_;
  int keyword_context_ = 0;  // lexer context of headers and routines
  int name_context_ = 0;     // lexer context of data section bodies: no keywords

  // Name indices beside the lists, over the records' own names (records
  // never move). Names are unique within each list, so the index
  // finds exactly what a first-match walk of the list would.
  // A symbol's tag in its index holds its word (the low 16 bits of its index)
  // and, above, its place in its list, which gives its text number: the
  // symbols of a list are numbered one after another from the first. A place
  // from kUnplaced on is not held: the number is then read from the record.
  static constexpr std::uint32_t kUnplaced = 0xFFFF;
  std::array<std::int32_t, 5> first_symbol_number_{};  // by kind
  SymbolIndex object_index_;
  SymbolIndex position_index_;
  SymbolIndex variable_index_;
  SymbolIndex text_index_;
  NameIndex<StringRecord, &StringRecord::text, 32> string_index_;  // texts run longer than names
  // The routines by the number of their name among the operand texts: a
  // routine operand is resolved with one look, not a hash of its name.
  std::vector<const RoutineRecord*> routine_by_name_;
  OperandTexts operand_texts_;
  // The strings of text symbols, each once.
  InternedTexts interned_;
};

}  // namespace kx
