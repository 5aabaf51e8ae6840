#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "diagnostics/error_context.h"
#include "util/search_tree.h"

namespace kx {

// What one operand slot accepts: ten base types and two modifier bits.
using VMOpcode_Operand_Type = std::int32_t;

enum : VMOpcode_Operand_Type {
  VMOPCODE_OBJECT = 1,
  VMOPCODE_STRING = 2,
  VMOPCODE_TEXTNAME = 4,
  VMOPCODE_VARIABLE = 8,
  VMOPCODE_ROUTINE = 16,
  VMOPCODE_POSITION = 32,
  VMOPCODE_LABEL = 64,
  VMOPCODE_INTEGER = 128,
  VMOPCODE_BOOLEAN = 256,
  VMOPCODE_COLOR = 512,
  VMOPCODE_OPTIONAL = 1024,
  VMOPCODE_ZERO_ENDS = 2048,
};

// What an operand slot takes, its two flags set aside.
enum class OperandKind {
  Object,
  String,
  TextName,
  Variable,
  Routine,
  Position,
  Label,
  Integer,
  Boolean,
  Number,
  Color
};

// A legal operand type taken apart. Number is the boolean-or-integer pair.
struct OperandSlot {
  OperandKind kind = OperandKind::Integer;
  bool optional = false;   // may be left out; only ever on the last slots
  bool zero_ends = false;  // an integer whose value 0 ends the operand list
};

// Every combination of the operand type bits, each with its slot when it is
// one of the legal types: the reader and the generator decode every operand
// of every step, so a decoding is one lookup, made in place.
struct Decoded_Operand_Type {
  bool legal = false;
  OperandSlot slot;
};
inline constexpr VMOpcode_Operand_Type kOperandTypeLimit = VMOPCODE_ZERO_ENDS * 2;
extern const std::array<Decoded_Operand_Type, kOperandTypeLimit> kDecodedOperandTypes;

// The slot of one of the seventeen legal non-zero operand types, in place;
// nullptr for any other value. The reader and the generator decode through
// this form: an optional returned by value is assembled byte by byte on the
// stack and read back whole, which stalls the processor on every operand.
inline const OperandSlot* Find_Operand_Slot(VMOpcode_Operand_Type type) {
  if (type < 0 || type >= kOperandTypeLimit) return nullptr;
  const Decoded_Operand_Type& decoded = kDecodedOperandTypes[static_cast<std::size_t>(type)];
  return decoded.legal ? &decoded.slot : nullptr;
}

// The same as a value; nullopt for any other value.
inline std::optional<OperandSlot> Decode_Operand_Type(VMOpcode_Operand_Type type) {
  const OperandSlot* slot = Find_Operand_Slot(type);
  return slot != nullptr ? std::optional<OperandSlot>(*slot) : std::nullopt;
}

// True for the kinds that name a variable, position or label, whose absent
// optional operand a step holds as kAbsentReference.
inline bool Is_Reference(OperandKind kind) {
  return kind == OperandKind::Variable || kind == OperandKind::Position || kind == OperandKind::Label;
}

// The word a compiled step holds for an optional variable, position or label left out.
inline constexpr std::int32_t kAbsentReference = 65535;

// One operation of the catalogue.
struct OpcodeRecord {
  std::int32_t code = 0;                                 // 1 to 128; word 0 of a compiled step
  std::string name;                                      // as written in scripts; matched byte for byte
  std::array<VMOpcode_Operand_Type, 4> operand_types{};  // 0 ends the list
  std::int32_t token = 0;                                // lexer token kind: 1024 + position in the table
};

// One row of the constant operation table.
struct OpcodeDefinition {
  const char* name;
  std::int32_t code;
  std::array<VMOpcode_Operand_Type, 4> operand_types;
};

// The 128 operations in table order; the token of each is kFirstOpcodeToken
// plus its position. Nothing else restates this table.
inline constexpr int kOpcodeCount = 128;
inline constexpr int kFirstOpcodeToken = 1024;
extern const std::array<OpcodeDefinition, kOpcodeCount> kOpcodeTable;

// True for the seventeen legal non-zero operand types.
inline bool Is_Legal_Operand_Type(VMOpcode_Operand_Type type) {
  return Decode_Operand_Type(type).has_value();
}

// The opcode catalogue: every operation by name (byte-wise order) and by
// token (table order). Immutable after construction.
class VMOpcode {
 public:
  explicit VMOpcode(ErrorContext& errors);

  VMOpcode(const VMOpcode&) = delete;
  VMOpcode& operator=(const VMOpcode&) = delete;

  // nullptr when no operation has that exact (case-sensitive) name.
  const OpcodeRecord* Find_Opcode_By_Name(std::string_view name) const;
  // nullptr when no operation has that token.
  const OpcodeRecord* Find_Opcode_By_Token(std::int32_t token) const;

  // In-order walks; use First, then Next(result) until nullptr.
  SearchTree<OpcodeRecord>& by_name() { return by_name_; }
  SearchTree<OpcodeRecord>& by_token() { return by_token_; }
  const SearchTree<OpcodeRecord>& by_name() const { return by_name_; }
  const SearchTree<OpcodeRecord>& by_token() const { return by_token_; }

  // The full synopsis of an operation's operands, e.g. "Add,Variable,Integer{,Variable}".
  // An empty text for a name that is no operation.
  std::string Synopsis(std::string_view name);
  // The synopsis after the name and its comma; empty for an operation
  // without operands (and for a name that is no operation).
  std::string Operand_Synopsis(std::string_view name);
  // The full synopsis of any record, also one that is not in the catalogue.
  // Raises "Illegal operand type" for a slot outside the seventeen legal types.
  std::string Synopsis_Of(const OpcodeRecord& record);

  ErrorContext& errors() { return errors_; }

 private:
  ErrorContext& errors_;
  SearchTree<OpcodeRecord> by_name_;
  SearchTree<OpcodeRecord> by_token_;
  // The records of by_token_ by position: the tree was filled in token
  // order, so it is a chain that a lookup would walk from end to end.
  std::array<const OpcodeRecord*, kOpcodeCount> token_records_{};
};

}  // namespace kx
