#include "vmasm/vmasm.h"

#include <utility>

#include "lexan/lexan.h"

namespace kx {
namespace {

int Compare_Texts(const std::string& a, const std::string& b) {
  // std::string compares char_traits<char>, which orders bytes as unsigned characters.
  int order = a.compare(b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

int Compare_Symbol_Names(const SymbolRecord& a, const SymbolRecord& b) {
  return Compare_Texts(a.name, b.name);
}

int Compare_String_Texts(const StringRecord& a, const StringRecord& b) {
  return Compare_Texts(a.text, b.text);
}

int Compare_Routine_Names(const RoutineRecord& a, const RoutineRecord& b) {
  return Compare_Texts(a.name, b.name);
}

std::int32_t Stored_Type(OperandKind kind) {
  switch (kind) {
    case OperandKind::String:
      return VMASM_OPERAND_STRING;
    case OperandKind::Integer:
    case OperandKind::Number:
      return VMASM_OPERAND_INTEGER;
    case OperandKind::Boolean:
      return VMASM_OPERAND_BOOLEAN;
    case OperandKind::Color:
      return VMASM_OPERAND_COLOR;
    case OperandKind::Object:
    case OperandKind::TextName:
    case OperandKind::Variable:
    case OperandKind::Routine:
    case OperandKind::Position:
    case OperandKind::Label:
      return VMASM_OPERAND_LITERAL;
  }
  return 0;
}

VMAsm_Symbol_Type Symbol_Type_Of(OperandKind kind) {
  switch (kind) {
    case OperandKind::Object:
      return VMASM_SYMBOL_OBJECT;
    case OperandKind::Position:
      return VMASM_SYMBOL_POSITION;
    case OperandKind::Variable:
      return VMASM_SYMBOL_VARIABLE;
    case OperandKind::TextName:
      return VMASM_SYMBOL_TEXT;
    default:
      return 0;
  }
}

std::int64_t RoutineBody::Find_Label_Row(std::int32_t name_number) const {
  return reader != nullptr ? reader->Find_Label_Row(*this, name_number) : -1;
}

VMAsm::VMAsm(ErrorContext& errors, ErrorContext& notices, VMOpcode& catalogue)
    : catalogue_(catalogue),
      errors_(errors),
      notices_(notices),
      objects_(Compare_Symbol_Names),
      positions_(Compare_Symbol_Names),
      variables_(Compare_Symbol_Names),
      texts_(Compare_Symbol_Names),
      routines_(Compare_Routine_Names),
      strings_(Compare_String_Texts) {}

VMAsm::~VMAsm() {
  object_index_.Clear();
  position_index_.Clear();
  variable_index_.Clear();
  text_index_.Clear();
  string_index_.Clear();
  routine_by_name_.clear();
  objects_.Clear();
  positions_.Clear();
  variables_.Clear();
  texts_.Clear();
  routines_.Clear();
  strings_.Clear();
}

VMAsm::SymbolIndex* VMAsm::Index_Of(VMAsm_Symbol_Type kind) {
  return const_cast<SymbolIndex*>(std::as_const(*this).Index_Of(kind));
}

const VMAsm::SymbolIndex* VMAsm::Index_Of(VMAsm_Symbol_Type kind) const {
  switch (kind) {
    case VMASM_SYMBOL_OBJECT:
      return &object_index_;
    case VMASM_SYMBOL_POSITION:
      return &position_index_;
    case VMASM_SYMBOL_VARIABLE:
      return &variable_index_;
    case VMASM_SYMBOL_TEXT:
      return &text_index_;
    default:
      return nullptr;
  }
}

const SymbolRecord* VMAsm::Find_Symbol(VMAsm_Symbol_Type kind, std::string_view name) const {
  const SymbolIndex* index = Index_Of(kind);
  if (index == nullptr) return nullptr;
  return index->Find(name);
}

const StringRecord* VMAsm::Find_String(std::string_view text) const { return string_index_.Find(text); }

const RoutineRecord* VMAsm::Find_Routine(std::string_view name) const {
  return Find_Routine_By_Number(operand_texts_.Find_Name(name));
}

}  // namespace kx
