#include <string>
#include <string_view>

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

}  // namespace

void VMCode::Generate_Routines(const VMAsm& reader) {
  reader_ = &reader;
  for (const RoutineRecord& record : reader.routines()) {
    auto code = std::make_unique<RoutineCode>();
    code->index = record.index;
    code->speed = record.speed;
    code->priority = record.priority;
    code->debug = record.debug;
    code->steps.name = record.name;
    current_steps_ = &code->steps;
    VMCode_Generate(record.body);
    routines_.Add(std::move(code));
  }
  current_steps_ = nullptr;
  current_step_ = nullptr;
}

void VMCode::VMCode_Generate(const RoutineBody& body) {
  current_steps_->count = 0;
  current_steps_->steps.assign(static_cast<std::size_t>(body.steps.count()) + 1, StepData{});
  for (const StepRecord& step : body.steps) {
    current_step_ = &step;
    Current_Row() = StepData{};
    const OpcodeRecord* opcode = catalogue_.Find_Opcode_By_Token(step.token);
    if (opcode == nullptr) {
      errors_.Raise_At(kModule, "VMCode_Generate", "Invalid opcode token value (%d)", step.token);
    }
    Generate_Code(*opcode, body);
    ++current_steps_->count;
  }
  Current_Row() = StepData{};
  ++current_steps_->count;
}

void VMCode::Generate_Code(const OpcodeRecord& opcode, const RoutineBody& body) {
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

void VMCode::Store_Word(int slot, std::int32_t value) {
  Current_Row().words[static_cast<std::size_t>(slot)] = Low16(value);
}

void VMCode::Store_Opcode(const OpcodeRecord& opcode) { Store_Word(0, opcode.code); }

void VMCode::Store_Operand_Literal(int slot, VMAsm_Symbol_Type type) {
  if (type < VMASM_SYMBOL_OBJECT || type > VMASM_SYMBOL_TEXT) {
    // The symbol-type check keeps the routine name users have always seen for it.
    errors_.Raise_At(kModule, "Generate_Operand_Literal", "Invalid case value for VMAsm_Symbol_Type.");
  }
  if (Current_Operand(slot).holds_text()) {
    // The reader found the symbol when it read the name.
    Store_Word(slot, Current_Operand(slot).word);
    return;
  }
  const std::string_view name = Text_Of(*reader_, Current_Operand(slot));
  const SymbolRecord* symbol = reader_->Find_Symbol(type, name);
  if (symbol == nullptr) {
    errors_.Raise_At(kModule, "Store_Operand_Literal", "Symbol '%s' not defined", std::string(name).c_str());
  }
  Store_Word(slot, symbol->index);
}

void VMCode::Store_Operand_String(int slot) {
  if (Current_Operand(slot).holds_text()) {
    // The reader entered the string when it read it.
    Store_Word(slot, Current_Operand(slot).word);
    return;
  }
  const std::string_view text = Text_Of(*reader_, Current_Operand(slot));
  const StringRecord* entry = reader_->Find_String(text);
  if (entry == nullptr) {
    errors_.Raise_At(kModule, "Store_Operand_String", "The string '%s' is not in the string symbol table.",
                     std::string(text).c_str());
  }
  Store_Word(slot, entry->index);
}

void VMCode::Store_Operand_Label(int slot, const RoutineBody& label_body) {
  // A label operand holds the number of its name, which is the number the
  // label's own name has: no text is compared.
  const std::int64_t row = label_body.Find_Label_Row(Current_Operand(slot).datum);
  if (row < 0) {
    const std::string_view name = Text_Of(*reader_, Current_Operand(slot));
    Report_Undefined(Format_Printf("Location label '%s' not defined in routine '%s'.",
                                   std::string(name).c_str(), std::string(current_steps_->name).c_str()));
  }
  Store_Word(slot, static_cast<std::int32_t>(row));
}

void VMCode::Store_Operand_Routine(int slot, const RoutineBody*& label_body) {
  // As for labels, the operand holds the number of the routine's name.
  const RoutineRecord* routine = reader_->Find_Routine_By_Number(Current_Operand(slot).datum);
  if (routine == nullptr) {
    const std::string_view name = Text_Of(*reader_, Current_Operand(slot));
    Report_Undefined(Format_Printf("Routine label '%s' not defined.", std::string(name).c_str()));
  }
  Store_Word(slot, routine->index);
  label_body = &routine->body;
}

void VMCode::Store_Operand_Value(int slot) { Store_Word(slot, Current_Operand(slot).value()); }

void VMCode::Report_Undefined(const std::string& message) {
  try {
    errors_.Report("%s", message.c_str());
  } catch (const BuildFailure&) {
    // Replaced by a failure that carries the step's script line.
  }
  throw BuildFailure(current_step_->line);
}

}  // namespace kx
