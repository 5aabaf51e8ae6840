#include "vmopcode/vmopcode.h"

#include <algorithm>
#include <memory>

namespace kx {
namespace {

// Byte-wise, as unsigned characters: upper case sorts before lower case, and a
// name sorts before every longer name that begins with it.
int Compare_Names(const OpcodeRecord& a, const OpcodeRecord& b) {
  const std::size_t common = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto left = static_cast<unsigned char>(a.name[i]);
    const auto right = static_cast<unsigned char>(b.name[i]);
    if (left != right) return left > right ? 1 : -1;
  }
  if (a.name.size() == b.name.size()) return 0;
  return a.name.size() > b.name.size() ? 1 : -1;
}

int Compare_Tokens(const OpcodeRecord& a, const OpcodeRecord& b) {
  if (a.token == b.token) return 0;
  return a.token > b.token ? 1 : -1;
}

}  // namespace

namespace {

struct Legal_Type {
  VMOpcode_Operand_Type type;
  OperandSlot slot;
};

constexpr Legal_Type kLegalTypes[] = {
    {VMOPCODE_OBJECT, {OperandKind::Object}},
    {VMOPCODE_STRING, {OperandKind::String}},
    {VMOPCODE_TEXTNAME, {OperandKind::TextName}},
    {VMOPCODE_VARIABLE, {OperandKind::Variable}},
    {VMOPCODE_ROUTINE, {OperandKind::Routine}},
    {VMOPCODE_POSITION, {OperandKind::Position}},
    {VMOPCODE_LABEL, {OperandKind::Label}},
    {VMOPCODE_INTEGER, {OperandKind::Integer}},
    {VMOPCODE_BOOLEAN, {OperandKind::Boolean}},
    {VMOPCODE_COLOR, {OperandKind::Color}},
    {VMOPCODE_BOOLEAN | VMOPCODE_INTEGER, {OperandKind::Number}},
    {VMOPCODE_OPTIONAL | VMOPCODE_VARIABLE, {OperandKind::Variable, true}},
    {VMOPCODE_OPTIONAL | VMOPCODE_POSITION, {OperandKind::Position, true}},
    {VMOPCODE_OPTIONAL | VMOPCODE_LABEL, {OperandKind::Label, true}},
    {VMOPCODE_OPTIONAL | VMOPCODE_INTEGER, {OperandKind::Integer, true}},
    {VMOPCODE_OPTIONAL | VMOPCODE_BOOLEAN, {OperandKind::Boolean, true}},
    {VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER, {OperandKind::Integer, false, true}},
};

}  // namespace

constexpr std::array<Decoded_Operand_Type, kOperandTypeLimit> kDecodedOperandTypes = [] {
  std::array<Decoded_Operand_Type, kOperandTypeLimit> table{};
  for (const Legal_Type& legal : kLegalTypes)
    table[static_cast<std::size_t>(legal.type)] = {true, legal.slot};
  return table;
}();

VMOpcode::VMOpcode(ErrorContext& errors)
    : errors_(errors), by_name_(Compare_Names), by_token_(Compare_Tokens) {
  for (int position = 0; position < kOpcodeCount; ++position) {
    const OpcodeDefinition& row = kOpcodeTable[position];
    OpcodeRecord record;
    record.code = row.code;
    record.name = row.name;
    record.operand_types = row.operand_types;
    record.token = kFirstOpcodeToken + position;
    by_name_.Insert(std::make_unique<OpcodeRecord>(record));
    token_records_[static_cast<std::size_t>(position)] =
        &by_token_.Insert(std::make_unique<OpcodeRecord>(record));
  }
}

const OpcodeRecord* VMOpcode::Find_Opcode_By_Name(std::string_view name) const {
  OpcodeRecord key;
  key.name = name;
  return by_name_.Find(key);
}

const OpcodeRecord* VMOpcode::Find_Opcode_By_Token(std::int32_t token) const {
  if (token < kFirstOpcodeToken || token >= kFirstOpcodeToken + kOpcodeCount) return nullptr;
  return token_records_[static_cast<std::size_t>(token - kFirstOpcodeToken)];
}

}  // namespace kx
