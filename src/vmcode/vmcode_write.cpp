#include <algorithm>
#include <array>
#include <charconv>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "util/format.h"
#include "util/little_endian.h"
#include "util/platform.h"
#include "util/text.h"
#include "vmcode/vmcode.h"

// The writers of the ten tables. Each runs in both output modes: in DLL mode
// Emit_Bytes patches the template's bytes and Emit_Text does nothing; in C
// listing mode Emit_Text writes the listing and Emit_Bytes does nothing. So
// one function per table says both what the DLL holds and how the listing
// shows it.

namespace kx {
namespace {

constexpr const char* kModule = "vmcode/vmcode_write";

unsigned Hex(std::int32_t offset) { return static_cast<unsigned>(offset); }

const char* True_Or_False(std::int32_t flag) { return flag == 1 ? "true" : "false"; }

// Listing text is written to the file once this much of it has gathered.
constexpr std::size_t kListingBlock = std::size_t{1} << 20;

// Room for one listing row: " /* %4d */ {", five words, "}", ",\n".
constexpr std::size_t kRowTextSize = 96;

// The decimal digits of 00 to 99, two by two.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// A step word in decimal, as "%d" writes it: two digits at a time, since a
// listing holds five words for every step.
char* Put_Word(char* out, std::int16_t word) {
  std::uint32_t value = static_cast<std::uint32_t>(word < 0 ? -static_cast<std::int32_t>(word) : word);
  if (word < 0) *out++ = '-';
  const auto pair = [&out](std::uint32_t two_digits) {
    out = std::copy_n(kDigitPairs.data() + 2 * two_digits, 2, out);
  };
  if (value >= 10000) {
    *out++ = static_cast<char>('0' + value / 10000);
    pair(value / 100 % 100);
    pair(value % 100);
  } else if (value >= 1000) {
    pair(value / 100);
    pair(value % 100);
  } else if (value >= 100) {
    *out++ = static_cast<char>('0' + value / 100);
    pair(value % 100);
  } else if (value >= 10) {
    pair(value);
  } else {
    *out++ = static_cast<char>('0' + value);
  }
  return out;
}

// Writes " /* %4d */ {%d,%d,%d,%d,%d}" for one row at `out` without a format
// string: a listing holds a row for every step. Returns the end of the text.
char* Format_Row(char* out, std::int32_t row, const std::array<std::int16_t, 5>& words) {
  char number[16];
  const char* number_end = std::to_chars(number, number + sizeof number, row).ptr;
  out = std::copy_n(" /* ", 4, out);
  for (auto width = number_end - number; width < 4; ++width) *out++ = ' ';
  out = std::copy(static_cast<const char*>(number), number_end, out);
  out = std::copy_n(" */ {", 5, out);
  for (std::size_t w = 0; w < words.size(); ++w) {
    out = Put_Word(out, words[w]);
    *out++ = w + 1 < words.size() ? ',' : '}';
  }
  return out;
}

// From this many rows on, a C listing's rows are made on a second thread.
constexpr std::size_t kParallelRows = std::size_t{1} << 16;

// The RoutineData rows of the C listing, made a block at a time. The routines
// must not change while it is used.
class StepRowText {
 public:
  explicit StepRowText(const LinkedList<RoutineCode>& routines)
      : routine_(routines.begin()), end_(routines.end()), last_(routines.Last()) {}

  // Appends rows to `out` until it holds a block or the rows are done;
  // false once they are.
  bool Append(std::string& out) {
    char text[kRowTextSize];
    for (; routine_ != end_; ++routine_, row_ = 0) {
      const RoutineSteps& steps = routine_->steps;
      while (row_ < steps.count) {
        char* end = Format_Row(text, number_++, steps.steps[static_cast<std::size_t>(row_)].words);
        if (++row_ < steps.count) end = std::copy_n(",\r\n", 3, end);
        out.append(text, static_cast<std::size_t>(end - text));
        if (out.size() >= kListingBlock) return true;
      }
      if (&*routine_ != last_) out += ",\r\n\r\n";
    }
    return false;
  }

 private:
  LinkedList<RoutineCode>::const_iterator routine_;
  LinkedList<RoutineCode>::const_iterator end_;
  const RoutineCode* last_;
  std::int32_t row_ = 0;     // the next row of the routine
  std::int32_t number_ = 0;  // the next row of the listing
};

// Blocks of listing text made on one thread and written on another; the
// maker stays at most two blocks ahead, so the text never lies in memory whole.
class BlockPipe {
 public:
  // Maker: appends every block of `rows`, unless the writer stops first.
  void Make(StepRowText& rows) {
    try {
      for (bool more = true; more;) {
        std::string block = Take_Spare();
        if (stopped()) return;
        more = rows.Append(block);
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return made_.size() < kAhead || stopped_; });
        if (stopped_) return;
        made_.push_back(std::move(block));
        finished_ = !more;
        changed_.notify_all();
      }
    } catch (...) {
      const std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      finished_ = true;
      changed_.notify_all();
    }
  }

  // Writer: the next block into `block`; false once all were taken. A
  // failure of the maker leaves from here.
  bool Take(std::string& block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !made_.empty() || finished_; });
    if (made_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return false;
    }
    block = std::move(made_.front());
    made_.pop_front();
    changed_.notify_all();
    return true;
  }

  // Writer: a written block's memory, for the maker to fill again.
  void Give_Back(std::string block) {
    block.clear();
    const std::lock_guard lock(mutex_);
    spare_.push_back(std::move(block));
  }

  // Writer: no more blocks are wanted.
  void Stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kAhead = 2;

  bool stopped() {
    const std::lock_guard lock(mutex_);
    return stopped_;
  }

  std::string Take_Spare() {
    const std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    std::string block = std::move(spare_.back());
    spare_.pop_back();
    return block;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> made_;
  std::vector<std::string> spare_;
  bool finished_ = false;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

// One listing element: `prefix` and the value in decimal, as "%d" writes it.
// It is made without a format string: the routine arrays hold an element for
// each of up to a hundred thousand routines.
class Number_Element {
 public:
  Number_Element(std::string_view prefix, std::int32_t value) {
    char* end = std::copy(prefix.begin(), prefix.end(), text_);
    size_ = static_cast<std::size_t>(std::to_chars(end, text_ + sizeof text_, value).ptr - text_);
  }
  std::string_view view() const { return {text_, size_}; }

 private:
  char text_[32];  // a prefix of a few characters and at most 11 of the number
  std::size_t size_ = 0;
};

// The text as the inside of a C string literal that compiles to exactly its
// bytes. A backslash and a double quote get a backslash before them and a
// line feed is written \n; every other control byte and every byte above 126
// is a three-digit octal escape, which never takes a digit after it into the
// escape and does not depend on the character set the compiler reads the
// source in. A question mark directly after a question mark is written \?, so
// that no two stand together to begin a trigraph, which a compiler in a
// strict C mode before C23 would replace. Every other character stands as it is.
std::string C_String_Text(std::string_view text) {
  std::string literal;
  literal.reserve(text.size());
  char previous = '\0';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      literal += '\\';
      literal += c;
    } else if (c == '\n') {
      literal += "\\n";
    } else if (c == '?' && previous == '?') {
      literal += "\\?";
    } else if (byte < 0x20 || byte > 0x7E) {
      const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                            static_cast<char>('0' + ((byte >> 3) & 7)), static_cast<char>('0' + (byte & 7))};
      literal.append(octal, sizeof octal);
    } else {
      literal += c;
    }
    previous = c;
  }
  return literal;
}

}  // namespace

void VMCode::Begin_Array(const char* name, std::int32_t offset) {
  array_name_ = name;
  array_offset_ = offset;
  output_position_ = static_cast<std::uint32_t>(offset);
}

void VMCode::End_Element(bool another_follows) { Emit_Raw(another_follows ? ",\n" : "\n"); }

void VMCode::Write_Step_Data() {
  const TemplateConfig& config = *template_;
  Begin_Array("RoutineData", config.step_data_array_offset);
  Emit_Text("StepData RoutineData[] = { // offset = 0x%X, rows = %d\n", Hex(config.step_data_array_offset),
            config.step_data_array_rows);
  if (output_mode_ == VMCODE_C_LISTING) {
    Write_Step_Rows_Text();
  } else {
    for (const RoutineCode& routine : routines_) {
      const RoutineSteps& steps = routine.steps;
      for (std::int32_t row = 0; row < steps.count; ++row) {
        const auto& words = steps.steps[static_cast<std::size_t>(row)].words;
        unsigned char bytes[kStepDataSize];
        for (std::size_t w = 0; w < words.size(); ++w) Put16(bytes + 2 * w, words[w]);
        Emit_Bytes(sizeof bytes, bytes);
      }
    }
  }
  Emit_Text("\n};\n\n");
}

// With many rows, their text is made on a second thread, a block at a time,
// while this one writes the blocks made before.
void VMCode::Write_Step_Rows_Text() {
  StepRowText rows(routines_);
  std::size_t count = 0;
  for (const RoutineCode& routine : routines_) count += static_cast<std::size_t>(routine.steps.count);
  BlockPipe pipe;
  std::thread maker;
  // A failed write ends the maker before the failure leaves.
  struct Joiner {
    BlockPipe& pipe;
    std::thread& maker;
    ~Joiner() {
      pipe.Stop();
      if (maker.joinable()) maker.join();
    }
  } joiner{pipe, maker};
  if (count >= kParallelRows && std::thread::hardware_concurrency() >= 2) {
    try {
      maker = std::thread([&pipe, &rows] { pipe.Make(rows); });
    } catch (const std::system_error&) {
      // Made on this thread below.
    }
  }
  if (!maker.joinable()) {
    for (bool more = true; more;) {
      more = rows.Append(listing_text_);
      if (listing_text_.size() >= kListingBlock) Flush_Listing_Block();
    }
    return;
  }
  Flush_Listing();
  while (pipe.Take(listing_text_)) {
    Flush_Listing_Block();
    pipe.Give_Back(std::move(listing_text_));
    listing_text_ = std::string();
  }
}

void VMCode::Write_Routine_Count() {
  const TemplateConfig& config = *template_;
  Begin_Array("NumberOfRoutines", config.routine_count_offset);
  Emit_Text("short NumberOfRoutines = %d; // offset = 0x%X\n\n", routines_.count(),
            Hex(config.routine_count_offset));
  unsigned char word[2];
  Put16(word, Low16(routines_.count()));
  Emit_Bytes(sizeof word, word);
}

void VMCode::Write_Routine_Speeds() {
  const TemplateConfig& config = *template_;
  Begin_Array("GlobalRoutineSpeed", config.routine_speed_array_offset);
  Emit_Text("short GlobalRoutineSpeed[] = { // offset = 0x%X, rows = %d\n",
            Hex(config.routine_speed_array_offset), config.max_routine_count);
  const RoutineCode* last = routines_.Last();
  for (const RoutineCode& routine : routines_) {
    Emit_Raw(Number_Element("    ", routine.speed).view());
    End_Element(&routine != last);
    unsigned char word[2];
    Put16(word, Low16(routine.speed));
    Emit_Bytes(sizeof word, word);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Routine_Priorities() {
  const TemplateConfig& config = *template_;
  Begin_Array("GlobalRoutinePriority", config.routine_priority_array_offset);
  Emit_Text("bool GlobalRoutinePriority[] = { // offset = 0x%X, rows = %d\n",
            Hex(config.routine_priority_array_offset), config.max_routine_count);
  const RoutineCode* last = routines_.Last();
  for (const RoutineCode& routine : routines_) {
    Emit_Raw("    ");
    Emit_Raw(True_Or_False(routine.priority));
    End_Element(&routine != last);
    const unsigned char flag = routine.priority != 0 ? 1 : 0;
    Emit_Bytes(1, &flag);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Routine_Offsets() {
  const TemplateConfig& config = *template_;
  Begin_Array("RoutineOffset", config.routine_offset_array_offset);
  Emit_Text("short RoutineOffset[] = { // offset = 0x%X, rows = %d\n",
            Hex(config.routine_offset_array_offset), config.max_routine_count);
  const RoutineCode* last = routines_.Last();
  std::int32_t first_row = 0;
  for (const RoutineCode& routine : routines_) {
    Emit_Raw(Number_Element("    ", first_row).view());
    End_Element(&routine != last);
    unsigned char word[2];
    Put16(word, Low16(first_row));
    Emit_Bytes(sizeof word, word);
    first_row += routine.steps.count;
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Routine_Debug_Flags() {
  const TemplateConfig& config = *template_;
  Begin_Array("DebugText", config.routine_debug_array_offset);
  Emit_Text("bool DebugText[] = { // offset = 0x%X, rows = %d\n", Hex(config.routine_debug_array_offset),
            config.max_routine_count);
  const RoutineCode* last = routines_.Last();
  for (const RoutineCode& routine : routines_) {
    Emit_Raw("    ");
    Emit_Raw(True_Or_False(routine.debug));
    End_Element(&routine != last);
    const unsigned char flag = routine.debug != 0 ? 1 : 0;
    Emit_Bytes(1, &flag);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Vector_Array() {
  const TemplateConfig& config = *template_;
  Begin_Array("GlobalVectorArray", config.position_array_offset);
  Emit_Text("Vector GlobalVectorArray[] = { // offset = 0x%X, rows = %d\n", Hex(config.position_array_offset),
            config.position_array_rows);
  const SymbolRecord* last = reader_->positions().Last();
  for (const SymbolRecord& position : reader_->positions()) {
    Emit_Text("\t{%d, %d, %d}", position.x, position.y, position.z);
    End_Element(&position != last);
    unsigned char bytes[12];
    PutFloat32(bytes, position.x);
    PutFloat32(bytes + 4, position.y);
    PutFloat32(bytes + 8, position.z);
    Emit_Bytes(sizeof bytes, bytes);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Text_Row(const std::string& text, std::int32_t cols) {
  const std::uint64_t row_position = output_position_;
  const auto width = static_cast<std::size_t>(std::max(cols, 0));
  // The reader refuses texts longer than cols - 1; should that ever fail to
  // hold, the text and its zero are still written whole.
  const std::size_t size = std::max(width, text.size() + 1);
  // The row is made only when it has bytes to go to: the configured width
  // may be far wider than any template, and Emit_Bytes refuses a row past
  // the template's end before it reads it.
  const bool made = output_mode_ == VMCODE_DLL && row_position + size <= template_size_;
  std::vector<unsigned char> row = Allocate_Zeroed(made ? size : 0);
  if (made) std::copy(text.begin(), text.end(), row.begin());
  Emit_Bytes(size, row.data());
  output_position_ = row_position + width;
}

void VMCode::Write_Name_Array() {
  const TemplateConfig& config = *template_;
  Begin_Array("NameArray", config.name_array_offset);
  Emit_Text("char NameArray[][%d] = { // offset = 0x%X, rows = %d\n", config.name_array_cols,
            Hex(config.name_array_offset), config.name_array_rows);
  const StringRecord* last = reader_->strings().Last();
  for (const StringRecord& entry : reader_->strings()) {
    Emit_Text("\t\"%s\"", C_String_Text(entry.text).c_str());
    End_Element(&entry != last);
    Write_Text_Row(entry.text, config.name_array_cols);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Integer_Array() {
  const TemplateConfig& config = *template_;
  Begin_Array("GlobalIntegerArray", config.integer_array_offset);
  Emit_Text("short GlobalIntegerArray[] = { // offset = 0x%X, rows = %d\n", Hex(config.integer_array_offset),
            config.integer_array_rows);
  const SymbolRecord* last = reader_->variables().Last();
  for (const SymbolRecord& variable : reader_->variables()) {
    Emit_Raw(Number_Element("\t", variable.x).view());
    End_Element(&variable != last);
    unsigned char word[2];
    Put16(word, Low16(variable.x));
    Emit_Bytes(sizeof word, word);
  }
  Emit_Text("};\n\n");
}

void VMCode::Write_Objective_Array() {
  const TemplateConfig& config = *template_;
  Begin_Array("ObjectiveArray", config.objective_array_offset);
  Emit_Text("char ObjectiveArray[][%d] = { // offset = 0x%X, rows = %d\n", config.objective_array_cols,
            Hex(config.objective_array_offset), config.objective_array_rows);
  const SymbolRecord* last = reader_->texts().Last();
  for (const SymbolRecord& text : reader_->texts()) {
    const std::string value = text.text != nullptr ? *text.text : std::string();
    Emit_Text("\t\"%s\"", C_String_Text(value).c_str());
    End_Element(&text != last);
    Write_Text_Row(value, config.objective_array_cols);
  }
  Emit_Text("};\n\n");
}

void VMCode::Emit_Bytes(std::size_t size, const unsigned char* data) {
  if (output_mode_ != VMCODE_DLL) return;
  if (output_position_ + size > template_size_) {
    // The configuration does not describe this template: never grow the copy.
    errors_.Raise_At(kModule, "Emit_Bytes",
                     "The %s array at offset 0x%X does not fit the template DLL file of %ld bytes.",
                     array_name_, Hex(array_offset_), static_cast<long>(template_size_));
  }
  std::copy(data, data + size, image_.begin() + static_cast<std::ptrdiff_t>(output_position_));
  output_position_ += size;
}

void VMCode::Emit_Text(const char* format, ...) {
  if (output_mode_ != VMCODE_C_LISTING) return;
  std::va_list args;
  va_start(args, format);
  Emit_Raw(Format_VPrintf(format, args));
  va_end(args);
}

void VMCode::Emit_Raw(std::string_view text) {
  if (output_mode_ != VMCODE_C_LISTING) return;
  // The listing's lines end with CR LF on every platform.
  for (;;) {
    const std::size_t line_end = text.find('\n');
    listing_text_.append(text.substr(0, line_end));
    if (line_end == std::string_view::npos) break;
    listing_text_.append("\r\n", 2);
    text.remove_prefix(line_end + 1);
  }
  if (listing_text_.size() >= kListingBlock) Flush_Listing_Block();
}

void VMCode::Emit_Lines(std::string_view text) {
  listing_text_.append(text);
  if (listing_text_.size() >= kListingBlock) Flush_Listing_Block();
}

void VMCode::Flush_Listing() {
  if (std::fwrite(listing_text_.data(), 1, listing_text_.size(), output_file_) != listing_text_.size()) {
    errors_.Raise_System_At(kModule, "fwrite");
  }
  listing_text_.clear();
}

void VMCode::Flush_Listing_Block() {
  Flush_Listing();
  // The disk starts on this block while the next one is made, so that the
  // flush to disk that ends the listing has little left to wait for.
  if (!platform::Start_Writing_To_Disk(output_file_)) {
    errors_.Raise_System_At(kModule, "fwrite");
  }
}

}  // namespace kx
