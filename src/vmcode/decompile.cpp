#include "vmcode/decompile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "lexan/lexan.h"
#include "util/byte_reader.h"
#include "util/format.h"
#include "util/unique_file.h"
#include "vmcode/vmcode.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

// The characters a script line may hold before its line feed.
constexpr std::size_t kLineText = Lexan::kLineLimit - 2;

using Word = std::uint16_t;
using Words = std::array<Word, 5>;

// One table of the DLL: its name, where it starts, how many rows it has and
// the bytes of a row.
struct Table {
  const char* name;
  std::uint64_t offset;
  std::uint64_t rows;
  std::uint64_t size;

  std::uint64_t Row_Offset(std::uint64_t row) const { return offset + row * size; }
};

Table Make_Table(const char* name, std::int32_t offset, std::int64_t rows, std::int64_t size) {
  // A negative offset stands for the 32-bit offset it is in the file, far past any end.
  return {name, static_cast<std::uint32_t>(offset),
          static_cast<std::uint64_t>(std::max<std::int64_t>(rows, 0)),
          static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0))};
}

// An operand as the script writes it. An open string is a string left open
// at the end of its line, whose line feed belongs to it.
struct Piece {
  std::string text;
  bool open = false;
};

struct Step {
  const OpcodeDefinition* opcode = nullptr;
  std::vector<Piece> operands;
};

struct Routine {
  std::int16_t speed = 0;
  bool priority = false;
  bool debug = false;
  std::uint64_t first_row = 0;
  std::uint64_t halt_row = 0;
  std::vector<Step> steps;
  std::set<std::uint64_t> labels;  // the rows that a label names
};

// How a text can be written between double quotes so that the reader takes
// exactly its bytes, or what in it a script cannot write.
struct Literal {
  std::string body;
  bool open = false;
  const char* fault = nullptr;
};

// An operand string is taken as written: a line feed can only be its last
// character, written by leaving the string open at the end of the line
// (where a carriage return before it would be dropped).
Literal Operand_Literal(std::string_view text) {
  Literal literal{std::string(text)};
  if (!text.empty() && text.back() == '\n') {
    literal.body.pop_back();
    literal.open = true;
    if (!literal.body.empty() && literal.body.back() == '\r')
      literal.fault = "holds a carriage return before its closing line feed";
  }
  for (const char c : literal.body) {
    if (c == '"') literal.fault = "holds a double quote";
    if (c == '\t') literal.fault = "holds a tab";
    if (c == '\n') literal.fault = "holds a line feed before its end";
  }
  if (!literal.fault && literal.body.size() + (literal.open ? 1 : 2) > kLineText)
    literal.fault = "is longer than a script line";
  return literal;
}

// A [text] string: every line feed is written as a backslash and an n, so a
// backslash directly before an n cannot be written. A text too long for a
// closed string on a line of its own may still fit when its last line feed
// is written by leaving the string open.
Literal Text_Literal(std::string_view text) {
  Literal literal;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') literal.fault = "holds a double quote";
    if (c == '\t') literal.fault = "holds a tab";
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n')
      literal.fault = "holds a backslash before an n";
    if (c == '\n')
      literal.body += "\\n";
    else
      literal.body += c;
  }
  if (literal.fault || literal.body.size() + 2 <= kLineText) return literal;
  const bool can_open = text.ends_with('\n') && !text.ends_with("\r\n");
  if (can_open && literal.body.size() - 2 + 1 <= kLineText) {
    literal.body.resize(literal.body.size() - 2);
    literal.open = true;
  } else {
    literal.fault = "is longer than a script line";
  }
  return literal;
}

Piece Quoted(const Literal& literal) {
  return {"\"" + literal.body + (literal.open ? "" : "\""), literal.open};
}

// The whole number that a build turns into this single-precision value, or
// none: 2147483647 stands for 2147483648.0.
std::optional<std::int32_t> Whole_Number(float value) {
  if (!std::isfinite(value) || value < -2147483648.0f || value > 2147483648.0f) return std::nullopt;
  const auto number = value == 2147483648.0f ? std::int32_t{2147483647} : static_cast<std::int32_t>(value);
  if (std::bit_cast<std::uint32_t>(static_cast<float>(number)) != std::bit_cast<std::uint32_t>(value))
    return std::nullopt;
  return number;
}

// A comment line of the script: control bytes shown as '?', cut to what a line holds.
std::string Comment(const std::string& text) {
  std::string line = "// " + text;
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  if (line.size() > kLineText) line.resize(kLineText);
  return line;
}

// Script text in lines that the reader takes.
class ScriptWriter {
 public:
  void Line(std::string_view text) {
    Put(text);
    End_Line();
  }
  void Blank_Line() {
    End_Line();
    text_ += '\n';
  }
  // Appends to the current line, or begins a new one when it would not fit.
  void Put(std::string_view piece) {
    if (column_ > 0 && column_ + piece.size() > kLineText) End_Line();
    text_ += piece;
    column_ += piece.size();
  }
  // Appends a blank and the operand, or the operand alone on a new line when
  // it would not fit; an open string ends its line.
  void Put_Operand(const Piece& piece) {
    if (column_ + 1 + piece.text.size() <= kLineText) {
      text_ += ' ';
      ++column_;
    } else {
      End_Line();
    }
    text_ += piece.text;
    column_ += piece.text.size();
    if (piece.open) {
      text_ += '\n';
      column_ = 0;
    }
  }
  void End_Line() {
    if (column_ > 0) text_ += '\n';
    column_ = 0;
  }
  std::string Text() {
    End_Line();
    return std::move(text_);
  }

 private:
  std::string text_;
  std::size_t column_ = 0;
};

class Decompiler {
 public:
  Decompiler(std::string_view dll, const TemplateConfig& config, std::string_view blank)
      : dll_(dll),
        blank_(blank),
        config_(config),
        step_data_(Make_Table("RoutineData", config.step_data_array_offset, config.step_data_array_rows,
                              kStepDataSize)),
        routine_count_(Make_Table("NumberOfRoutines", config.routine_count_offset, 1, 2)),
        speeds_(
            Make_Table("GlobalRoutineSpeed", config.routine_speed_array_offset, config.max_routine_count, 2)),
        priorities_(Make_Table("GlobalRoutinePriority", config.routine_priority_array_offset,
                               config.max_routine_count, 1)),
        offsets_(
            Make_Table("RoutineOffset", config.routine_offset_array_offset, config.max_routine_count, 2)),
        debug_flags_(Make_Table("DebugText", config.routine_debug_array_offset, config.max_routine_count, 1)),
        positions_(
            Make_Table("GlobalVectorArray", config.position_array_offset, config.position_array_rows, 12)),
        names_(Make_Table("NameArray", config.name_array_offset, config.name_array_rows,
                          config.name_array_cols)),
        variables_(
            Make_Table("GlobalIntegerArray", config.integer_array_offset, config.integer_array_rows, 2)),
        texts_(Make_Table("ObjectiveArray", config.objective_array_offset, config.objective_array_rows,
                          config.objective_array_cols)) {
    for (const OpcodeDefinition& opcode : kOpcodeTable)
      by_code_[static_cast<std::size_t>(opcode.code)] = &opcode;
  }

  std::string Script(const std::string& dll_name) {
    Check_Tables();
    Read_Routines();
    for (std::size_t r = 0; r < routines_.size(); ++r) Read_Steps(r);
    ScriptWriter out;
    out.Line(
        Comment("Read back from " + dll_name + " as a DLL of the template entry \"" + config_.name + "\"."));
    out.Line(Comment("The DLL keeps no names: every name below is made up."));
    Write_Data(out);
    Write_Routines(out);
    return out.Text();
  }

 private:
  [[noreturn]] void Fail(const Table& table, std::uint64_t offset, const std::string& message) const {
    throw DecompileError(
        Format_Printf("%s at 0x%llX: ", table.name, static_cast<unsigned long long>(offset)) + message);
  }

  // The bytes of `size` at `offset`, which must lie in the file.
  std::string_view Bytes(const Table& table, std::uint64_t offset, std::uint64_t size) const {
    if (!dll_.Contains(offset, size))
      Fail(table, offset,
           Format_Printf("the table lies past the end of the file of %llu bytes",
                         static_cast<unsigned long long>(dll_.size())));
    return dll_.Bytes(offset, size, table.name);
  }
  Word Word_At(const Table& table, std::uint64_t offset) const {
    Bytes(table, offset, 2);
    return dll_.U16(offset, table.name);
  }
  std::uint8_t Byte_At(const Table& table, std::uint64_t offset) const {
    Bytes(table, offset, 1);
    return dll_.U8(offset, table.name);
  }

  // Every table that can hold a row starts inside the file.
  void Check_Tables() const {
    for (const Table* table : {&step_data_, &routine_count_, &speeds_, &priorities_, &offsets_, &debug_flags_,
                               &positions_, &names_, &variables_, &texts_})
      if (table->rows > 0 && table->size > 0) Bytes(*table, table->offset, table->size);
  }

  // The routine arrays, and the rows of every routine up to its halt row.
  void Read_Routines() {
    const Word count = Word_At(routine_count_, routine_count_.offset);
    if (count == 0) Fail(routine_count_, routine_count_.offset, "no routine, where every build writes one");
    if (count > config_.max_routine_count)
      Fail(routine_count_, routine_count_.offset,
           Format_Printf("%u routines, beyond the template's limit of %d", count, config_.max_routine_count));
    std::uint64_t next_row = 0;
    for (Word r = 0; r < count; ++r) {
      Routine routine;
      routine.speed = static_cast<std::int16_t>(Word_At(speeds_, speeds_.Row_Offset(r)));
      routine.priority = Flag(priorities_, r, "priority");
      routine.debug = Flag(debug_flags_, r, "debug flag");
      const Word first = Word_At(offsets_, offsets_.Row_Offset(r));
      if (first != static_cast<Word>(next_row))
        Fail(offsets_, offsets_.Row_Offset(r),
             Format_Printf("routine %u begins at row %u, but its rows begin at row %llu", r, first,
                           static_cast<unsigned long long>(next_row)));
      routine.first_row = next_row;
      for (std::uint64_t row = next_row;; ++row) {
        if (row >= step_data_.rows)
          Fail(step_data_, step_data_.Row_Offset(routine.first_row),
               Format_Printf("routine %u has no halt row within the %llu rows of the table", r,
                             static_cast<unsigned long long>(step_data_.rows)));
        const Words words = Row_Words(row);
        if (words[0] != 0) {
          rows_.push_back(words);
          continue;
        }
        for (std::size_t w = 1; w < words.size(); ++w)
          if (words[w] != 0)
            Fail(step_data_, step_data_.Row_Offset(row) + 2 * w,
                 Format_Printf("the halt row of routine %u holds %d in word %llu", r,
                               static_cast<std::int16_t>(words[w]), static_cast<unsigned long long>(w)));
        rows_.push_back(words);
        routine.halt_row = row;
        next_row = row + 1;
        break;
      }
      routines_.push_back(std::move(routine));
    }
  }

  bool Flag(const Table& table, std::uint64_t r, const char* what) const {
    const std::uint8_t flag = Byte_At(table, table.Row_Offset(r));
    if (flag > 1)
      Fail(table, table.Row_Offset(r),
           Format_Printf("the %s of routine %llu is %u, neither 0 nor 1", what,
                         static_cast<unsigned long long>(r), flag));
    return flag == 1;
  }

  Words Row_Words(std::uint64_t row) const {
    const std::uint64_t offset = step_data_.Row_Offset(row);
    Bytes(step_data_, offset, kStepDataSize);
    Words words;
    for (std::size_t w = 0; w < words.size(); ++w) words[w] = dll_.U16(offset + 2 * w, step_data_.name);
    return words;
  }

  void Read_Steps(std::size_t r) {
    Routine& routine = routines_[r];
    for (std::uint64_t row = routine.first_row; row < routine.halt_row; ++row) {
      const Words& words = rows_[row];
      const std::uint64_t offset = step_data_.Row_Offset(row);
      const Word code = words[0];
      const OpcodeDefinition* opcode = code < by_code_.size() ? by_code_[code] : nullptr;
      if (opcode == nullptr)
        Fail(step_data_, offset,
             Format_Printf("operation code %d is not an operation", static_cast<std::int16_t>(code)));
      Step step{opcode, {}};
      std::array<OperandSlot, 4> slots;
      std::size_t taken = 0;
      while (taken < 4 && opcode->operand_types[taken] != 0) {
        slots[taken] = *Decode_Operand_Type(opcode->operand_types[taken]);
        ++taken;
      }
      // Optional operands are written up to the last one that holds more
      // than what a build writes for one left out.
      std::size_t given = taken;
      while (given > 0 && slots[given - 1].optional &&
             words[given] == (Is_Reference(slots[given - 1].kind) ? kAbsentReference : 0))
        --given;
      std::size_t label_routine = r;
      std::size_t end = taken;
      for (std::size_t slot = 0; slot < given; ++slot) {
        const Word word = words[slot + 1];
        const Operand_Site site{offset + 2 * (slot + 1), slots[slot], slot + 1 < given};
        // A zero ends the operands, unless more follow: then the script
        // wrote a value whose low 16 bits are zero.
        if (slots[slot].zero_ends && word == 0) {
          if (std::all_of(words.begin() + static_cast<std::ptrdiff_t>(slot) + 2, words.end(),
                          [](Word later) { return later == 0; })) {
            step.operands.push_back({"0"});
            end = slot + 1;
            break;
          }
          step.operands.push_back({"65536"});
          continue;
        }
        step.operands.push_back(Operand(site, word, label_routine));
      }
      for (std::size_t w = end + 1; w < words.size(); ++w)
        if (words[w] != 0)
          Fail(step_data_, offset + 2 * w,
               Format_Printf("word %llu of %s holds %d, where a build writes 0",
                             static_cast<unsigned long long>(w), opcode->name,
                             static_cast<std::int16_t>(words[w])));
      routine.steps.push_back(std::move(step));
    }
  }

  struct Operand_Site {
    std::uint64_t offset;  // of the operand's word in the file
    OperandSlot slot;
    bool more_follow;  // an operand after this one is written
  };

  // An index beyond its table. A left-out optional reference before one that
  // is written would read as this one.
  [[noreturn]] void Out_Of_Range(const Operand_Site& site, Word word, const std::string& message) const {
    if (site.slot.optional && word == kAbsentReference && site.more_follow)
      Fail(step_data_, site.offset,
           "an operand left out before one that is written, which a script cannot say");
    Fail(step_data_, site.offset, message);
  }

  Piece Operand(const Operand_Site& site, Word word, std::size_t& label_routine) {
    switch (site.slot.kind) {
      case OperandKind::Object:
        if (word >= config_.max_object_count)
          Out_Of_Range(
              site, word,
              Format_Printf("object %u is beyond the template's %d objects", word, config_.max_object_count));
        objects_ = std::max<std::uint64_t>(objects_, word + 1u);
        return {Format_Printf("object_%u", word)};
      case OperandKind::String:
        return String_Operand(site, word);
      case OperandKind::TextName:
        return {Reference(site, word, texts_, text_rows_, "text")};
      case OperandKind::Variable:
        return {Reference(site, word, variables_, variable_rows_, "variable")};
      case OperandKind::Position:
        return {Reference(site, word, positions_, position_rows_, "position")};
      case OperandKind::Routine:
        if (word >= routines_.size())
          Out_Of_Range(site, word,
                       Format_Printf("routine %u is beyond the %llu routines", word,
                                     static_cast<unsigned long long>(routines_.size())));
        label_routine = word;
        return {Format_Printf("routine_%u", word)};
      case OperandKind::Label:
        return {Label(site, word, routines_[label_routine], label_routine)};
      case OperandKind::Integer:
        return {std::to_string(static_cast<std::int16_t>(word))};
      case OperandKind::Number:
        return {std::to_string(word)};
      case OperandKind::Boolean:
        if (word > 1) Fail(step_data_, site.offset, Format_Printf("boolean %u is neither 0 nor 1", word));
        return {word == 1 ? "true" : "false"};
      case OperandKind::Color:
        if (word > 2) Fail(step_data_, site.offset, Format_Printf("colour %u is none of 0, 1 and 2", word));
        return {word == 0 ? "white" : word == 1 ? "green" : "red"};
    }
    return {};
  }

  std::string Reference(const Operand_Site& site, Word word, const Table& table, std::uint64_t& used,
                        const char* what) {
    if (word >= table.rows)
      Out_Of_Range(site, word,
                   Format_Printf("%s %u is beyond the %llu rows of %s", what, word,
                                 static_cast<unsigned long long>(table.rows), table.name));
    used = std::max<std::uint64_t>(used, word + 1u);
    return Format_Printf("%s_%u", what, word);
  }

  // The row of the label routine whose low 16 bits are the word: the first
  // such row, as the routine is shorter than 65536 rows in all but the
  // largest templates.
  std::string Label(const Operand_Site& site, Word word, Routine& routine, std::size_t r) {
    const std::uint64_t row =
        routine.first_row + static_cast<Word>(word - static_cast<Word>(routine.first_row));
    if (row > routine.halt_row)
      Out_Of_Range(site, word,
                   Format_Printf("label row %u lies outside routine %llu, rows %llu to %llu", word,
                                 static_cast<unsigned long long>(r),
                                 static_cast<unsigned long long>(routine.first_row),
                                 static_cast<unsigned long long>(routine.halt_row)));
    routine.labels.insert(row);
    return Format_Printf("label_%llu", static_cast<unsigned long long>(row));
  }

  // A build numbers its strings in the order of their first use and keeps
  // one row for each distinct text.
  Piece String_Operand(const Operand_Site& site, Word word) {
    if (word >= names_.rows)
      Fail(step_data_, site.offset,
           Format_Printf("string %u is beyond the %llu rows of NameArray", word,
                         static_cast<unsigned long long>(names_.rows)));
    if (word < strings_.size()) return strings_[word];
    if (word > strings_.size())
      Fail(step_data_, site.offset,
           Format_Printf("string %u is used before string %llu, but a build numbers strings in the order of "
                         "their first use",
                         word, static_cast<unsigned long long>(strings_.size())));
    const std::string text = Text_Row(names_, word, "string");
    const auto [earlier, added] = string_rows_.emplace(text, word);
    if (!added)
      Fail(names_, names_.Row_Offset(word),
           Format_Printf("string %u repeats string %u, but a build keeps one row for each text", word,
                         earlier->second));
    const Literal literal = Operand_Literal(text);
    if (literal.fault) Cannot_Write(names_, word, "string", literal.fault);
    strings_.push_back(Quoted(literal));
    return strings_.back();
  }

  [[noreturn]] void Cannot_Write(const Table& table, std::uint64_t row, const char* what,
                                 const char* fault) const {
    Fail(table, table.Row_Offset(row),
         Format_Printf("%s %llu %s, which a script cannot write", what, static_cast<unsigned long long>(row),
                       fault));
  }

  // The text of a row: its bytes up to a zero byte, with zeros to the end of the row.
  std::string Text_Row(const Table& table, std::uint64_t row, const char* what) const {
    const std::string_view bytes = Bytes(table, table.Row_Offset(row), table.size);
    const std::size_t end = bytes.find('\0');
    if (end == std::string_view::npos)
      Fail(table, table.Row_Offset(row),
           Format_Printf("%s %llu has no terminating zero", what, static_cast<unsigned long long>(row)));
    const std::size_t extra = bytes.find_first_not_of('\0', end);
    if (extra != std::string_view::npos)
      Fail(table, table.Row_Offset(row) + extra,
           Format_Printf("%s %llu holds bytes after its terminating zero", what,
                         static_cast<unsigned long long>(row)));
    return std::string(bytes.substr(0, end));
  }

  // Rows of a data table the script declares: every row up to the last one
  // that a step refers to or that differs from the template's row.
  std::uint64_t Rows_In_Use(const Table& table, std::uint64_t referenced) const {
    if (table.size == 0 || !dll_.Contains(table.offset, 0)) return referenced;
    const std::uint64_t in_file = (dll_.size() - table.offset) / table.size;
    std::uint64_t used = referenced;
    for (std::uint64_t row = 0; row < std::min(table.rows, in_file); ++row) {
      const std::uint64_t offset = table.Row_Offset(row);
      if (offset + table.size > blank_.size() ||
          dll_.Bytes(offset, table.size, table.name) != blank_.substr(offset, table.size))
        used = std::max(used, row + 1);
    }
    return used;
  }

  void Write_Data(ScriptWriter& out) {
    out.Blank_Line();
    out.Line("[objects]");
    for (std::uint64_t object = 0; object < objects_; ++object)
      out.Line(Format_Printf("object_%llu", static_cast<unsigned long long>(object)));
    out.Blank_Line();
    out.Line("[positions]");
    for (std::uint64_t row = 0, rows = Rows_In_Use(positions_, position_rows_); row < rows; ++row) {
      std::string line = Format_Printf("position_%llu", static_cast<unsigned long long>(row));
      Bytes(positions_, positions_.Row_Offset(row), positions_.size);
      for (std::size_t i = 0; i < 3; ++i) {
        const std::uint64_t offset = positions_.Row_Offset(row) + 4 * i;
        const float value = std::bit_cast<float>(dll_.U32(offset, positions_.name));
        const std::optional<std::int32_t> number = Whole_Number(value);
        if (!number)
          Fail(positions_, offset,
               Format_Printf("position %llu holds %.9g, which no whole number of a script builds into",
                             static_cast<unsigned long long>(row), static_cast<double>(value)));
        line += ", " + std::to_string(*number);
      }
      out.Line(line);
    }
    out.Blank_Line();
    out.Line("[variables]");
    for (std::uint64_t row = 0, rows = Rows_In_Use(variables_, variable_rows_); row < rows; ++row)
      out.Line(Format_Printf("variable_%llu, %d", static_cast<unsigned long long>(row),
                             static_cast<std::int16_t>(Word_At(variables_, variables_.Row_Offset(row)))));
    out.Blank_Line();
    out.Line("[text]");
    for (std::uint64_t row = 0, rows = Rows_In_Use(texts_, text_rows_); row < rows; ++row) {
      const Literal literal = Text_Literal(Text_Row(texts_, row, "text"));
      if (literal.fault) Cannot_Write(texts_, row, "text", literal.fault);
      out.Put(Format_Printf("text_%llu,", static_cast<unsigned long long>(row)));
      out.Put_Operand(Quoted(literal));
      out.End_Line();
    }
  }

  void Write_Routines(ScriptWriter& out) {
    for (std::size_t r = 0; r < routines_.size(); ++r) {
      const Routine& routine = routines_[r];
      out.Blank_Line();
      out.Line(Format_Printf("[routine, routine_%llu, %d, %s%s]", static_cast<unsigned long long>(r),
                             routine.speed, routine.priority ? "true" : "false",
                             routine.debug ? ", true" : ""));
      std::uint64_t row = routine.first_row;
      for (const Step& step : routine.steps) {
        Write_Label(out, routine, row++);
        out.Put("  ");
        out.Put(step.opcode->name);
        for (const Piece& operand : step.operands) {
          out.Put(",");
          out.Put_Operand(operand);
        }
        out.End_Line();
      }
      Write_Label(out, routine, routine.halt_row);
    }
  }

  static void Write_Label(ScriptWriter& out, const Routine& routine, std::uint64_t row) {
    if (routine.labels.count(row) != 0)
      out.Line(Format_Printf("label_%llu:", static_cast<unsigned long long>(row)));
  }

  ByteReader dll_;
  std::string_view blank_;
  const TemplateConfig& config_;
  const Table step_data_, routine_count_, speeds_, priorities_, offsets_, debug_flags_;
  const Table positions_, names_, variables_, texts_;
  std::array<const OpcodeDefinition*, kOpcodeCount + 1> by_code_{};
  std::vector<Words> rows_;  // every row of every routine, halt rows included
  std::vector<Routine> routines_;
  std::vector<Piece> strings_;               // the string operands by row
  std::map<std::string, Word> string_rows_;  // the row of each string's text
  // How many of each kind the steps refer to: the highest index plus one.
  std::uint64_t objects_ = 0, position_rows_ = 0, variable_rows_ = 0, text_rows_ = 0;
};

std::string Read_Whole_File(const std::filesystem::path& path, const std::string& shown) {
  UniqueFile file = Open_File(path, "rb");
  std::string bytes;
  if (file) {
    char block[64 * 1024];
    std::size_t read;
    while ((read = std::fread(block, 1, sizeof block, file.get())) > 0) bytes.append(block, read);
    if (!std::ferror(file.get())) return bytes;
  }
  throw DecompileError(shown + std::strerror(errno));
}

}  // namespace

std::string Decompile_Dll(std::string_view dll, const TemplateConfig& config, std::string_view blank,
                          const std::string& dll_name) {
  try {
    return Decompiler(dll, config, blank).Script(std::filesystem::path(dll_name).filename().string());
  } catch (const DecompileError& error) {
    throw DecompileError(dll_name + ": " + error.what());
  }
}

std::string Decompile_File(const std::filesystem::path& dll_path, const TemplateConfig& config,
                           const std::filesystem::path& template_directory) {
  std::filesystem::path blank_path(config.dll_blank);
  if (blank_path.is_relative() && !template_directory.empty()) blank_path = template_directory / blank_path;
  const std::string dll = Read_Whole_File(dll_path, dll_path.string() + ": ");
  const std::string blank =
      Read_Whole_File(blank_path, "the template DLL " + blank_path.string() + " cannot be read: ");
  return Decompile_Dll(dll, config, blank, dll_path.string());
}

}  // namespace kx
