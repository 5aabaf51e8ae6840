#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "util/atomic_file.h"
#include "util/format.h"
#include "util/text.h"
#include "vmasm/vmasm.h"

namespace kx {
namespace {

constexpr const char* kModule = "vmasm/vmasm_write";
// Opening and closing the listing belong to Write_Listing, whose diagnostics
// name the reader's main module.
constexpr const char* kListingModule = "vmasm/vmasm";

const char* Boolean_Word(bool value) { return value ? "true" : "false"; }

// The reader refuses a line whose text and line feed reach this many
// characters (tabs expanded): a listing line holds at most 510 characters.
constexpr int kLineLimit = 512;

// The column after `text` is written at `column`, tabs expanded; a line feed starts again at 0.
int Column_After(int column, const std::string& text) {
  for (char c : text) column = c == '\n' ? 0 : c == '\t' ? column + 8 - column % 8 : column + 1;
  return column;
}

}  // namespace

void VMAsm::Write_Listing(const std::filesystem::path& path) {
  AtomicFile file;
  if (!file.Open(path)) {
    errors_.Raise_System_At(kListingModule, "fopen");
  }
  // listing_file_ refers to the file only while the writers run.
  struct Detach {
    std::FILE*& file;
    ~Detach() { file = nullptr; }
  } detach{listing_file_};
  listing_file_ = file.get();
  listing_column_ = 0;
  Write_Objects();
  Write_Positions();
  Write_Variables();
  Write_Text();
  Write_Routines();
  listing_file_ = nullptr;
  if (!file.Commit()) {
    errors_.Raise_System_At(kListingModule, "fclose");
  }
}

void VMAsm::Write_Formatted(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const std::string text = Format_VPrintf(format, args);
  va_end(args);
  listing_column_ = Column_After(listing_column_, text);
  std::string line_ends;
  line_ends.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') line_ends += '\r';
    line_ends += c;
  }
  if (std::fwrite(line_ends.data(), 1, line_ends.size(), listing_file_) != line_ends.size() ||
      std::ferror(listing_file_)) {
    errors_.Raise_System_At(kModule, "vfprintf");
  }
}

void VMAsm::Write_Token(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const std::string text = Format_VPrintf(format, args);
  va_end(args);
  const std::string first_line = text.substr(0, text.find('\n'));
  if (listing_column_ > 0 && Column_After(listing_column_, first_line) + 1 >= kLineLimit)
    Write_Formatted("\n");
  Write_Formatted("%s", text.c_str());
}

void VMAsm::Write_Objects() {
  Write_Formatted("[objects]\n");
  for (const SymbolRecord& object : objects_) {
    Write_Token("%s", object.name.c_str());
    if (object.array_count) Write_Token("<%d>", static_cast<int>(*object.array_count));
    Write_Formatted("\n");
  }
  Write_Formatted("\n");
}

void VMAsm::Write_Positions() {
  Write_Formatted("[positions]\n");
  for (const SymbolRecord& position : positions_) {
    Write_Token("%s", position.name.c_str());
    for (std::int32_t coordinate : {position.x, position.y, position.z}) Write_Token(",%d", coordinate);
    Write_Formatted("\n");
  }
  Write_Formatted("\n");
}

void VMAsm::Write_Variables() {
  Write_Formatted("[variables]\n");
  for (const SymbolRecord& variable : variables_) {
    Write_Token("%s", variable.name.c_str());
    Write_Token(",%d", variable.x);
    Write_Formatted("\n");
  }
  Write_Formatted("\n");
}

void VMAsm::Write_Text() {
  Write_Formatted("[text]\n");
  for (const SymbolRecord& text : texts_) {
    const std::string value = text.text != nullptr ? *text.text : std::string();
    const std::string escaped = Escape_Newlines(value);
    Write_Token("%s", text.name.c_str());
    Write_Token(",");
    // A text left open at the end of its line ends with that line feed;
    // written closed, its line would be three characters longer than the one
    // it was read from. When that line would be too long to read back, the
    // text is written open again.
    if (!value.empty() && value.back() == '\n' && escaped.size() + 3 >= kLineLimit)
      Write_Formatted("\n\"%s\n\n", escaped.substr(0, escaped.size() - 2).c_str());
    else
      Write_Formatted("\n\"%s\"\n\n", escaped.c_str());
  }
  Write_Formatted("\n");
}

void VMAsm::Write_Routines() {
  std::int32_t first_row = 0;  // RoutineData row of the routine's first step
  for (const RoutineRecord& routine : routines_) {
    Write_Token("[routine,");
    Write_Token("%s", routine.name.c_str());
    Write_Token(",%d", routine.speed);
    Write_Token(",%s", Boolean_Word(routine.priority != 0));
    if (routine.debug != 0) Write_Token(",%s", "true");
    Write_Token("]");
    Write_Formatted("\n");
    Write_Opcodes(routine.body, first_row);
    Write_Formatted("\n");
    first_row += routine.body.steps.count() + 1;
  }
}

// Every location label goes on its own line before the step whose row it
// holds, in declaration order; labels of the halt row follow the last step.
void VMAsm::Write_Opcodes(const RoutineBody& body, std::int32_t first_row) {
  auto label = body.labels.begin();
  auto write_labels_up_to = [&](std::int64_t row) {
    for (; label != body.labels.end() && label->index <= row; ++label) {
      Write_Token("%s", label->name->c_str());
      Write_Token(":");
      Write_Formatted("\n");
    }
  };
  std::int64_t row = first_row;
  for (const StepRecord& step : body.steps) {
    write_labels_up_to(row++);
    const OpcodeRecord* opcode = catalogue_.Find_Opcode_By_Token(step.token);
    if (opcode == nullptr) {
      errors_.Raise_At(kModule, "Write_Opcodes", "Illegal value for opcode token");
    }
    Write_Opcode(*opcode, step);
  }
  write_labels_up_to(INT64_MAX);
}

void VMAsm::Write_Opcode(const OpcodeRecord& opcode, const StepRecord& step) {
  Write_Formatted("\t\t%s", opcode.name.c_str());
  for (std::size_t slot = 0; slot < opcode.operand_types.size(); ++slot) {
    const VMOpcode_Operand_Type type = opcode.operand_types[slot];
    if (type == 0) break;
    const OperandSlot* decoded = Find_Operand_Slot(type);
    if (!decoded) {
      errors_.Raise_At(kModule, "Write_Opcode", "Illegal operand type (\"%s\", %d)", opcode.name.c_str(),
                       type);
    }
    const Operand& operand = step.operands[slot];
    // An optional operand left out, or given as 0 or false, is not written;
    // the slots after it still are.
    if (decoded->optional && operand.absent()) continue;
    switch (decoded->kind) {
      case OperandKind::Object:
      case OperandKind::TextName:
      case OperandKind::Variable:
      case OperandKind::Routine:
      case OperandKind::Position:
      case OperandKind::Label:
        Write_Operand_Literal(operand);
        break;
      case OperandKind::String:
        Write_Operand_String(operand);
        break;
      case OperandKind::Integer:
        Write_Operand_Integer(operand);
        break;
      case OperandKind::Boolean:
        Write_Operand_Boolean(operand);
        break;
      case OperandKind::Number:
        Write_Operand_Number(operand);
        break;
      case OperandKind::Color:
        Write_Operand_Color(operand);
        break;
    }
    if (decoded->zero_ends && operand.value() == 0) break;
  }
  Write_Formatted("\n");
}

void VMAsm::Write_Operand_Integer(const Operand& operand) {
  if (operand.type != VMASM_OPERAND_INTEGER) {
    errors_.Raise_At(kModule, "Write_Operand_Integer",
                     "Operand to write is not of type 'VMASM_OPERAND_INTEGER'");
  }
  Write_Token(",%d", operand.value());
}

void VMAsm::Write_Operand_Boolean(const Operand& operand) {
  if (operand.type != VMASM_OPERAND_BOOLEAN) {
    errors_.Raise_At(kModule, "Write_Operand_Boolean",
                     "Operand to write is not of type 'VMASM_OPERAND_BOOLEAN'");
  }
  Write_Token(",%s", Boolean_Word(operand.value() != 0));
}

// Strings are written as read. A string that was left open at the end of its
// line holds that line feed; it is written open again, so that reading the
// listing gives the same text.
void VMAsm::Write_Operand_String(const Operand& operand) {
  if (operand.type != VMASM_OPERAND_STRING) {
    errors_.Raise_At(kModule, "Write_Operand_String",
                     "Operand to write is not of type 'VMASM_OPERAND_STRING'");
  }
  const std::string* held = Operand_Text(operand);
  const std::string text = held != nullptr ? *held : std::string();
  Write_Token(",");
  if (!text.empty() && text.back() == '\n')
    Write_Token("\"%s", text.c_str());
  else
    Write_Token("\"%s\"", text.c_str());
}

void VMAsm::Write_Operand_Literal(const Operand& operand) {
  if (operand.type != VMASM_OPERAND_LITERAL) {
    errors_.Raise_At(kModule, "Write_Operand_Literal",
                     "Operand to write is not of type 'VMASM_OPERAND_LITERAL'");
  }
  Write_Token(",");
  const std::string* held = Operand_Text(operand);
  Write_Token("%s", held != nullptr ? held->c_str() : "");
}

// An integer here was written without a sign; one that wrapped to a negative
// value is written unsigned again, since no minus sign is accepted here.
void VMAsm::Write_Operand_Number(const Operand& operand) {
  if (operand.type == VMASM_OPERAND_BOOLEAN) {
    Write_Token(",%s", Boolean_Word(operand.value() == 1));
  } else if (operand.type == VMASM_OPERAND_INTEGER) {
    Write_Token(",%u", static_cast<unsigned>(operand.value()));
  } else {
    // A number slot is reported as the integer writer's, whose message it extends.
    errors_.Raise_At(kModule, "Write_Operand_Integer",
                     "Operand to write is not of type 'VMASM_OPERAND_INTEGER' or "
                     "'VMASM_OPERAND_BOOLEAN'");
  }
}

void VMAsm::Write_Operand_Color(const Operand& operand) {
  if (operand.type != VMASM_OPERAND_COLOR) {
    errors_.Raise_At(kModule, "Write_Operand_Color",
                     "Operand to write is not of type 'VMASM_OPERAND_COLOR' ");
  }
  switch (operand.value()) {
    case 0:
      Write_Token(",white");
      break;
    case 1:
      Write_Token(",green");
      break;
    case 2:
      Write_Token(",red");
      break;
    default:
      errors_.Raise_At(kModule, "Write_Operand_Color",
                       "Operand value for type 'VMASM_OPERAND_COLOR' is out of range");
  }
}

}  // namespace kx
