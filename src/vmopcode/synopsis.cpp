#include <array>
#include <string>

#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

// The synopsis is part of the catalogue: its diagnostics name the catalogue's module.
constexpr const char* kModule = "vmopcode/vmopcode";

const char* Kind_Word(OperandKind kind) {
  switch (kind) {
    case OperandKind::Object:
      return "Object";
    case OperandKind::String:
      return "\"String\"";
    case OperandKind::TextName:
      return "TextName";
    case OperandKind::Variable:
      return "Variable";
    case OperandKind::Routine:
      return "Routine";
    case OperandKind::Position:
      return "Position";
    case OperandKind::Label:
      return "Label";
    case OperandKind::Integer:
      return "Integer";
    case OperandKind::Boolean:
      return "Boolean";
    case OperandKind::Number:
      return "[Boolean or Integer]";
    case OperandKind::Color:
      return "Color";
  }
  return "";
}

// One reading of an operand list: its words in slot order and how many of
// them are optional (always the last ones).
struct Reading {
  std::array<const char*, 4> words{};
  int count = 0;
  int optional = 0;

  // The name, then ",word" per operand, with a "{" before the comma of each
  // optional operand and all braces closed at the end.
  std::string Text(const std::string& name) const {
    std::string text = name;
    for (int k = 0; k < count; ++k) {
      if (k >= count - optional) text += '{';
      text += ',';
      text += words[k];
    }
    text.append(optional, '}');
    return text;
  }
};

}  // namespace

std::string VMOpcode::Synopsis(std::string_view name) {
  const OpcodeRecord* record = Find_Opcode_By_Name(name);
  return record ? Synopsis_Of(*record) : std::string();
}

std::string VMOpcode::Synopsis_Of(const OpcodeRecord& record) {
  // Reading 1 takes a zero-ending integer as 0, which ends the list; reading 2
  // takes it as an integer followed by the rest.
  std::array<Reading, 2> readings;
  for (int r = 0; r < 2; ++r) {
    Reading& reading = readings[r];
    for (VMOpcode_Operand_Type type : record.operand_types) {
      if (type == 0) break;
      const std::optional<OperandSlot> slot = Decode_Operand_Type(type);
      if (!slot) {
        errors_.Raise_At(kModule, "VMOpcode::Synopsis", "Illegal operand type (\"%s\", %d)",
                         record.name.c_str(), type);
      }
      if (slot->zero_ends && r == 0) {
        reading.words[reading.count++] = "0";
        break;
      }
      reading.words[reading.count++] = Kind_Word(slot->kind);
      if (slot->optional) ++reading.optional;
    }
  }

  const std::string first = readings[0].Text(record.name);
  const std::string second = readings[1].Text(record.name);
  if (first == second) return first;
  // Both readings hold at least one operand here, so each has the name and a comma to drop.
  const std::size_t skip = record.name.size() + 1;
  return record.name + ",[" + first.substr(skip) + " or " + second.substr(skip) + "]";
}

std::string VMOpcode::Operand_Synopsis(std::string_view name) {
  const std::string synopsis = Synopsis(name);
  if (synopsis.size() > name.size() && synopsis[name.size()] == ',') return synopsis.substr(name.size() + 1);
  return std::string();
}

}  // namespace kx
