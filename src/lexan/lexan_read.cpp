#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "diagnostics/text_layout.h"
#include "lexan/lexan.h"
#include "util/format.h"
#include "util/platform.h"

namespace kx {
namespace {

// Reading is the lexer's second half: its diagnostics name the lexer's module.
constexpr const char* kModule = "lexan/lexan";
// Stands before the first line, so that the first token read starts a line.
constexpr const char* kBeforeFirstLine = "\n";

}  // namespace

void Lexan::Lexan_Open_File(const std::filesystem::path& path) {
  Lexan_Close_File();
  file_ = Open_File(path, "rb");
  if (!file_) {
    errors_.Report("The input file '%s' does not exists.", platform::Path_Text(path).c_str());
    throw BuildFailure(0);
  }
  Start_Reading();
}

void Lexan::Lexan_Open_Text(std::string_view text) {
  Lexan_Close_File();
  input_text_ = text;
  opened_text_ = text;
  reading_text_ = true;
  Start_Reading();
}

void Lexan::Start_Reading() {
  Rewind_Input();
  Lexan_Get_Token();
}

void Lexan::Rewind_Input() {
  if (file_) {
    std::rewind(file_.get());
  } else if (!opened_text_.empty()) {
    reading_text_ = true;
    input_text_ = opened_text_;
  }
  line_buffer_.fill('\0');
  buffer_length_ = 0;
  line_start_ = line_buffer_.data();
  line_end_ = line_start_;
  line_length_ = 0;
  input_next_ = 0;
  input_end_ = 0;
  position_ = kBeforeFirstLine;
  scan_.token = 0;
  scan_.line = 0;
  scan_.column = 0;
}

void Lexan::Lexan_Close_File() {
  Stop_Reading_Ahead();
  file_.reset();
  reading_text_ = false;
  input_text_ = {};
  opened_text_ = {};
  input_next_ = 0;
  input_end_ = 0;
}

bool Lexan::Fill_Input() {
  input_next_ = 0;
  input_end_ = 0;
  if (reading_text_) {
    input_ = input_text_.data();
    input_end_ = input_text_.size();
    input_text_ = {};  // handed out whole, once
    return input_end_ > 0;
  }
  if (!file_) return false;
  input_buffer_.resize(kInputBlock);
  input_ = input_buffer_.data();
  input_end_ = std::fread(input_buffer_.data(), 1, input_buffer_.size(), file_.get());
  return input_end_ > 0;
}

int Lexan::Copy_Plain(char* out, int room) {
  const char* in = input_ + input_next_;
  const int available =
      static_cast<int>(std::min<std::size_t>(input_end_ - input_next_, static_cast<std::size_t>(room)));
  int count = 0;
  // Eight bytes at a time while none of them is a line feed, a carriage
  // return or a tab (the test leaves a high bit in each byte that is one).
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  const auto has = [](std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighs;
  };
  for (; count + 8 <= available; count += 8) {
    std::uint64_t word;
    std::memcpy(&word, in + count, sizeof word);
    if ((has(word, '\n') | has(word, '\r') | has(word, '\t')) != 0) break;
    std::memcpy(out + count, &word, sizeof word);
  }
  for (; count < available && in[count] != '\n' && in[count] != '\r' && in[count] != '\t'; ++count)
    out[count] = in[count];
  input_next_ += static_cast<std::size_t>(count);
  return count;
}

namespace {

// The line feed that ends the line at `begin` within `size` bytes, when
// the line can be scanned where it lies; nullptr when it needs the copy: a
// carriage return or a zero byte comes first, or none comes, or a tab comes
// after a quote (a string holds its tabs expanded), or the line may be too
// long once its tabs are expanded (the copying reader then judges it).
const char* Find_Plain_Line_End(const char* begin, std::size_t size) {
  static_assert(std::endian::native == std::endian::little, "the marks are read from the lowest byte");
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  // The high bit of each byte of the word that is below 14, as the four
  // control bytes looked for are, or equal to `c`. A byte above a marked one
  // may be marked wrongly, so only the lowest mark is taken (the bytes are
  // read little-endian: the lowest mark is the first byte).
  const auto below_14 = [](std::uint64_t word) { return (word - kOnes * 14) & ~word & kHighs; };
  const auto equal = [](std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighs;
  };
  std::size_t tabs = 0;
  bool quoted = false;  // a quote came before: a later tab may lie inside a string
  for (std::size_t i = 0; i < size; ++i) {
    // Eight bytes at a time up to the next byte that needs a look.
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, begin + i, sizeof word);
      const std::uint64_t marks = below_14(word) | (quoted ? 0 : equal(word, '"'));
      if (marks != 0) {
        i += static_cast<std::size_t>(std::countr_zero(marks)) / 8;
        break;
      }
    }
    if (i == size) break;
    switch (begin[i]) {
      case '\n':
        return i + (Lexan::kTabStop - 1) * tabs + 1 < Lexan::kLineLimit ? begin + i : nullptr;
      case '\t':
        if (quoted) return nullptr;
        ++tabs;
        break;
      case '"':
        quoted = true;
        break;
      case '\r':
      case '\0':
        return nullptr;
      default:
        break;
    }
  }
  return nullptr;
}

}  // namespace

bool Lexan::Take_Plain_Line() {
  const char* begin = input_ + input_next_;
  // The longest line taken: 510 characters of text and the line feed.
  const std::size_t size = std::min<std::size_t>(input_end_ - input_next_, kLineLimit - 1);
  const char* feed = Find_Plain_Line_End(begin, size);
  if (feed == nullptr) return false;
  line_start_ = begin;
  line_end_ = feed + 1;
  line_length_ = static_cast<int>(line_end_ - line_start_);
  input_next_ += static_cast<std::size_t>(line_length_);
  return true;
}

void Lexan::Keep_Line() {
  if (line_start_ == line_buffer_.data()) return;
  char* buffer = line_buffer_.data();
  const char* kept_position = position_;
  int length = 0;
  for (const char* p = line_start_; p != line_end_; ++p) {
    if (p == position_) kept_position = buffer + length;
    if (*p == '\t') {
      const int spaces = kTabStop - length % kTabStop;
      std::fill_n(buffer + length, spaces, ' ');
      length += spaces;
    } else {
      buffer[length++] = *p;
    }
  }
  if (position_ == line_end_) kept_position = buffer + length;
  std::fill(buffer + length, buffer + std::max(length, buffer_length_), '\0');
  buffer_length_ = length;
  position_ = kept_position;
  line_start_ = buffer;
  line_end_ = buffer + length;
  line_length_ = length;
}

bool Lexan::Read_Line() {
  if (input_next_ < input_end_ && Take_Plain_Line()) {
    ++scan_.line;
    scan_.column = 0;
    position_ = line_start_;
    return true;
  }
  // The input the current line lies in may be read over from here on.
  Keep_Line();
  std::FILE* file = file_.get();
  int c = Next_Byte();
  if (c == EOF) {
    if (file != nullptr && std::ferror(file)) {
      if (on_reading_thread_) throw AheadFault{};
      errors_.Raise_System_At(kModule, "fgets");
    }
    return false;
  }

  // The whole physical line is one line: its text is taken up to the line
  // feed with tabs expanded, and refused once the text and its line feed
  // reach kLineLimit (a last line without a line feed is counted with one, so
  // that adding the line feed never makes a line too long).
  char* buffer = line_buffer_.data();
  int length = 0;
  bool too_long = false;
  while (c != EOF) {
    if (c == '\r') {
      const int next = Next_Byte();
      if (next != '\n') {
        buffer[length++] = '\r';
        too_long = length + 1 >= kLineLimit;
        if (too_long) break;
        c = next;
        continue;
      }
      c = '\n';
    }
    if (c == '\n') {
      buffer[length++] = '\n';  // the text is at most kLineLimit - 2 long, so it fits
      break;
    }
    if (c == '\t') {
      const int spaces = std::min(kTabStop - length % kTabStop, kLineLimit - length);
      std::fill_n(buffer + length, spaces, ' ');
      length += spaces;
    } else {
      buffer[length++] = static_cast<char>(c);
      length += Copy_Plain(buffer + length, kLineLimit - length);  // the plain bytes that follow
    }
    too_long = length + 1 >= kLineLimit;
    if (too_long) break;
    c = Next_Byte();
  }
  if (file != nullptr && std::ferror(file)) {
    if (on_reading_thread_) throw AheadFault{};
    errors_.Raise_System_At(kModule, "fgets");
  }
  // Only what the previous line left needs clearing: the rest is zero.
  std::fill(buffer + length, buffer + std::max(length, buffer_length_), '\0');
  buffer_length_ = length;
  line_start_ = buffer;
  line_end_ = buffer + length;
  line_length_ = length;

  ++scan_.line;
  scan_.column = 0;
  position_ = buffer;
  if (too_long) {
    // The rest of the physical line belongs to the refused line, not to the next one.
    for (c = Next_Byte(); c != EOF && c != '\n';) c = Next_Byte();
    scan_column_ = 0;
    Lexan_Error("Size of input line greater than or equal to %d characters.", kLineLimit);
  }
  return true;
}

void Lexan::Lexan_Error(const char* format, ...) {
  if (!on_reading_thread_ && reading_ahead_) Read_Again_To_Taken();
  std::string message;
  std::va_list args;
  va_start(args, format);
  Append_VBounded(message, kDiagnosticSize, format, args);
  va_end(args);
  Lexan_Listing(message);
}

void Lexan::Lexan_Expected(std::initializer_list<int> kinds) {
  if (!on_reading_thread_ && reading_ahead_) Read_Again_To_Taken();
  std::string message;
  Append_Bounded(message, kDiagnosticSize, "Found %s when expecting ",
                 Lexan_Token_To_String(scan_.token).c_str());
  for (auto kind = kinds.begin(); kind != kinds.end(); ++kind) {
    const char* format = kind == kinds.begin() ? "%s" : (kind + 1 != kinds.end() ? ", %s" : ", or %s");
    Append_Bounded(message, kDiagnosticSize, format, Lexan_Token_To_String(*kind).c_str());
  }
  Append_Bounded(message, kDiagnosticSize, ".");
  Lexan_Listing(message);
}

std::string Lexan::Lexan_Token_To_String(int kind) {
  if (kind >= 0 && kind < 256) return Format_Printf("'%c'", static_cast<char>(kind));
  switch (kind) {
    case LEXAN_INTEGER:
      return "an integer";
    case LEXAN_HEXADECIMAL:
      return "a hexadecimal";
    case LEXAN_STRING:
      return "a string";
    case LEXAN_LITERAL:
      return "a literal";
    case LEXAN_ELLIPSIS:
      return "...";
    case LEXAN_END_OF_FILE:
      return "an end of file";
    default:
      break;
  }
  for (const LexanKeyword& keyword : keywords_) {
    if (keyword.kind == kind) {
      std::string text = "'" + keyword.text + "'";
      if (text.size() > kDiagnosticSize) text.resize(kDiagnosticSize);
      return text;
    }
  }
  errors_.Raise_At(kModule, "Lexan_Token_To_String", "Unable to resolve string value of token (%d).", kind);
}

void Lexan::Lexan_Resume() {
  scan_column_ = -1;
  if (position_ == nullptr) return;
  const int next = std::min(std::max(error_span_.last_column, 0), line_length_);
  position_ = line_start_ + next;
  scan_.column = next;
}

void Lexan::Lexan_Listing(const std::string& message) {
  if (on_reading_thread_) throw AheadFault{};  // reported by the client's thread, once it gets there
  Keep_Line();  // the line as listed and resumed from: tabs expanded, columns as offsets
  if (scan_column_ >= 0)
    error_span_ = {scan_.line, scan_column_ + 1, std::max(scan_.column, scan_column_ + 1)};
  else
    error_span_ = {scan_.line, scan_.token_column, scan_.column};
  const int width = errors_.width();
  std::string arrow(7 + static_cast<std::size_t>(std::max(scan_.column - 1, 0)), '-');
  arrow += "v\n";
  // The line as the terminal shows it: a control byte (a carriage return of
  // its own, a zero, an escape) would act on the terminal or cut the line, so
  // it prints as '?' in its column; the line feed that ends the line stays.
  std::string shown(line_start_, static_cast<std::size_t>(line_length_));
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const auto c = static_cast<unsigned char>(shown[i]);
    if ((c < 0x20 || c == 0x7F) && !(c == '\n' && i + 1 == shown.size())) shown[i] = '?';
  }
  const std::string source = Format_Printf("%5d: %s\n", scan_.line, shown.c_str());

  std::string text;
  Append_Bounded(text, kDiagnosticSize, "%s\n", message.c_str());
  Append_Bounded(text, kDiagnosticSize, "%s", Break_Lines(arrow, width).c_str());
  Append_Bounded(text, kDiagnosticSize, "%s", Break_Lines(source, width).c_str());
  Append_Bounded(text, kDiagnosticSize, "%s\n\n", hint_);
  errors_.Report("%s", text.c_str());
  throw BuildFailure(0);
}

}  // namespace kx
