#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "util/format.h"
#include "util/little_endian.h"
#include "vmcode/vmcode.h"

namespace kx {
namespace {

constexpr const char* kModule = "vmcode/vmcode_generate";

// The operand's text, read in place; empty when it holds none.
std::string_view Text_Of(const VMAsm& reader, const Operand& operand) {
  const std::string* text = reader.Operand_Text(operand);
  return text != nullptr ? std::string_view(*text) : std::string_view();
}

// Below this many steps the routines are compiled on one thread: a second
// one would cost more to start than it saves.
constexpr std::size_t kParallelSteps = std::size_t{1} << 16;

// Compiles steps of the reader's routines into step data rows. Each thread
// that compiles has a compiler of its own: it keeps the step being compiled,
// for the diagnostics.
class StepCompiler {
 public:
  StepCompiler(ErrorContext& errors, const VMOpcode& catalogue, const VMAsm& reader)
      : errors_(errors), catalogue_(catalogue), reader_(reader) {}

  // A routine to compile: the reader's steps and the rows they go to.
  struct Routine {
    const RoutineBody* body = nullptr;
    RoutineSteps* steps = nullptr;
  };
  // Steps [first, last) of `routine` into its rows of the same numbers.
  void Compile(const Routine& routine, std::size_t first, std::size_t last);

 private:
  void Generate_Code(const OpcodeRecord& opcode, const RoutineBody& body);
  const Operand& Current_Operand(int slot) const {
    return step_->operands[static_cast<std::size_t>(slot - 1)];
  }
  void Store_Word(int slot, std::int32_t value);
  void Store_Opcode(const OpcodeRecord& opcode);
  void Store_Operand_Literal(int slot, VMAsm_Symbol_Type type);
  void Store_Operand_String(int slot);
  void Store_Operand_Label(int slot, const RoutineBody& label_body);
  void Store_Operand_Routine(int slot, const RoutineBody*& label_body);
  void Store_Operand_Value(int slot);
  // Reports a routine or label name that names nothing and fails with the
  // script line of the step being compiled.
  [[noreturn]] void Report_Undefined(const std::string& message);

  ErrorContext& errors_;
  const VMOpcode& catalogue_;
  const VMAsm& reader_;
  std::string_view routine_name_;
  const StepRecord* step_ = nullptr;
  StepData* row_ = nullptr;
};

// A place among the steps of all routines: step `step` of routine `routine`.
struct Place {
  std::size_t routine = 0;
  std::size_t step = 0;
};

// Compiles the steps from `from` up to `to`, that one left out.
void Compile_Between(StepCompiler& compiler, const std::vector<StepCompiler::Routine>& routines, Place from,
                     Place to) {
  for (std::size_t index = from.routine; index <= to.routine && index < routines.size(); ++index) {
    const StepCompiler::Routine& routine = routines[index];
    const std::size_t first = index == from.routine ? from.step : 0;
    const std::size_t last =
        index == to.routine ? to.step : static_cast<std::size_t>(routine.body->steps.count());
    compiler.Compile(routine, first, last);
  }
}

// With enough steps, the second half of them (cut inside a routine where
// need be) is compiled on a thread of its own while this one compiles the
// first. Its faults are kept to itself: when it fails, this thread compiles
// the second half again once the first is done, so that the fault reported
// is the first one in script order, exactly as without the second thread.
void Compile_Routines(ErrorContext& errors, const VMOpcode& catalogue, const VMAsm& reader,
                      const std::vector<StepCompiler::Routine>& routines, std::size_t total) {
  StepCompiler compiler(errors, catalogue, reader);
  const Place begin;
  const Place end{routines.size(), 0};
  if (total < kParallelSteps || std::thread::hardware_concurrency() < 2) {
    Compile_Between(compiler, routines, begin, end);
    return;
  }
  Place middle;
  for (std::size_t before = 0;; ++middle.routine) {
    const auto steps = static_cast<std::size_t>(routines[middle.routine].body->steps.count());
    if (before + steps >= total / 2) {
      middle.step = total / 2 - before;
      break;
    }
    before += steps;
  }
  ErrorContext quiet(errors.width(), std::make_unique<ListSink>(true));
  StepCompiler helper(quiet, catalogue, reader);
  bool helped = false;
  std::thread thread;
  try {
    thread = std::thread([&] {
      try {
        Compile_Between(helper, routines, middle, end);
        helped = true;
      } catch (...) {
        // Compiled again below, where the fault is reported.
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: all on this one.
  }
  try {
    Compile_Between(compiler, routines, begin, middle);
  } catch (...) {
    if (thread.joinable()) thread.join();
    throw;
  }
  if (thread.joinable()) thread.join();
  if (!helped) Compile_Between(compiler, routines, middle, end);
}

void StepCompiler::Compile(const Routine& routine, std::size_t first, std::size_t last) {
  routine_name_ = routine.steps->name;
  for (std::size_t index = first; index < last; ++index) {
    step_ = &routine.body->steps[index];
    row_ = &routine.steps->steps[index];
    *row_ = StepData{};
    const OpcodeRecord* opcode = catalogue_.Find_Opcode_By_Token(step_->token);
    if (opcode == nullptr) {
      errors_.Raise_At(kModule, "VMCode_Generate", "Invalid opcode token value (%d)", step_->token);
    }
    Generate_Code(*opcode, *routine.body);
  }
}

void StepCompiler::Generate_Code(const OpcodeRecord& opcode, const RoutineBody& body) {
  Store_Opcode(opcode);
  // A routine operand switches the label lookups of the rest of the step to
  // the routine it names.
  const RoutineBody* label_body = &body;
  for (int slot = 1; slot <= 4; ++slot) {
    const VMOpcode_Operand_Type type = opcode.operand_types[static_cast<std::size_t>(slot - 1)];
    if (type == 0) return;
    const OperandSlot* decoded = Find_Operand_Slot(type);
    if (!decoded) {
      errors_.Raise_At(kModule, "Generate_Code", "Illegal operand type (\"%s\", %d)", opcode.name.c_str(),
                       type);
    }
    if (decoded->optional && Current_Operand(slot).absent()) {
      Store_Word(slot, Is_Reference(decoded->kind) ? kAbsentReference : 0);
      continue;
    }
    switch (decoded->kind) {
      case OperandKind::Object:
      case OperandKind::TextName:
      case OperandKind::Variable:
      case OperandKind::Position:
        Store_Operand_Literal(slot, Symbol_Type_Of(decoded->kind));
        break;
      case OperandKind::String:
        Store_Operand_String(slot);
        break;
      case OperandKind::Routine:
        Store_Operand_Routine(slot, label_body);
        break;
      case OperandKind::Label:
        Store_Operand_Label(slot, *label_body);
        break;
      case OperandKind::Integer:
      case OperandKind::Boolean:
      case OperandKind::Number:
      case OperandKind::Color:
        Store_Operand_Value(slot);
        break;
    }
    if (decoded->zero_ends && Current_Operand(slot).value() == 0) return;
  }
}

void StepCompiler::Store_Word(int slot, std::int32_t value) {
  row_->words[static_cast<std::size_t>(slot)] = Low16(value);
}

void StepCompiler::Store_Opcode(const OpcodeRecord& opcode) { Store_Word(0, opcode.code); }

void StepCompiler::Store_Operand_Literal(int slot, VMAsm_Symbol_Type type) {
  if (type < VMASM_SYMBOL_OBJECT || type > VMASM_SYMBOL_TEXT) {
    // The symbol-type check keeps the routine name users have always seen for it.
    errors_.Raise_At(kModule, "Generate_Operand_Literal", "Invalid case value for VMAsm_Symbol_Type.");
  }
  if (Current_Operand(slot).holds_text()) {
    // The reader found the symbol when it read the name.
    Store_Word(slot, Current_Operand(slot).word);
    return;
  }
  const std::string_view name = Text_Of(reader_, Current_Operand(slot));
  const SymbolRecord* symbol = reader_.Find_Symbol(type, name);
  if (symbol == nullptr) {
    errors_.Raise_At(kModule, "Store_Operand_Literal", "Symbol '%s' not defined", std::string(name).c_str());
  }
  Store_Word(slot, symbol->index);
}

void StepCompiler::Store_Operand_String(int slot) {
  if (Current_Operand(slot).holds_text()) {
    // The reader entered the string when it read it.
    Store_Word(slot, Current_Operand(slot).word);
    return;
  }
  const std::string_view text = Text_Of(reader_, Current_Operand(slot));
  const StringRecord* entry = reader_.Find_String(text);
  if (entry == nullptr) {
    errors_.Raise_At(kModule, "Store_Operand_String", "The string '%s' is not in the string symbol table.",
                     std::string(text).c_str());
  }
  Store_Word(slot, entry->index);
}

void StepCompiler::Store_Operand_Label(int slot, const RoutineBody& label_body) {
  // A label operand holds the number of its name, which is the number the
  // label's own name has: no text is compared.
  const std::int64_t row = label_body.Find_Label_Row(Current_Operand(slot).datum);
  if (row < 0) {
    const std::string_view name = Text_Of(reader_, Current_Operand(slot));
    Report_Undefined(Format_Printf("Location label '%s' not defined in routine '%s'.",
                                   std::string(name).c_str(), std::string(routine_name_).c_str()));
  }
  Store_Word(slot, static_cast<std::int32_t>(row));
}

void StepCompiler::Store_Operand_Routine(int slot, const RoutineBody*& label_body) {
  // As for labels, the operand holds the number of the routine's name.
  const RoutineRecord* routine = reader_.Find_Routine_By_Number(Current_Operand(slot).datum);
  if (routine == nullptr) {
    const std::string_view name = Text_Of(reader_, Current_Operand(slot));
    Report_Undefined(Format_Printf("Routine label '%s' not defined.", std::string(name).c_str()));
  }
  Store_Word(slot, routine->index);
  label_body = &routine->body;
}

void StepCompiler::Store_Operand_Value(int slot) { Store_Word(slot, Current_Operand(slot).value()); }

void StepCompiler::Report_Undefined(const std::string& message) {
  try {
    errors_.Report("%s", message.c_str());
  } catch (const BuildFailure&) {
    // Replaced by a failure that carries the step's script line.
  }
  throw BuildFailure(step_->line);
}

}  // namespace

void VMCode::Generate_Routines(const VMAsm& reader) {
  reader_ = &reader;
  std::vector<StepCompiler::Routine> routines;
  routines.reserve(static_cast<std::size_t>(reader.routines().count()));
  std::size_t total = 0;
  std::size_t rows = 0;
  for (const RoutineRecord& record : reader.routines())
    rows += static_cast<std::size_t>(record.body.steps.count()) + 1;
  step_rows_ = std::make_unique_for_overwrite<StepData[]>(rows);
  std::size_t first_row = 0;
  for (const RoutineRecord& record : reader.routines()) {
    RoutineCode code;
    code.index = record.index;
    code.speed = record.speed;
    code.priority = record.priority;
    code.debug = record.debug;
    code.steps.name = record.name;
    const auto count = static_cast<std::size_t>(record.body.steps.count());
    code.steps.steps = std::span<StepData>(step_rows_.get() + first_row, count + 1);
    code.steps.steps[count] = StepData{};  // the halt that ends the routine
    code.steps.count = static_cast<std::int32_t>(count + 1);
    first_row += count + 1;
    RoutineCode& stored = routines_.Add(std::move(code));
    routines.push_back({&record.body, &stored.steps});
    total += count;
  }
  Compile_Routines(errors_, catalogue_, reader, routines, total);
}

}  // namespace kx
