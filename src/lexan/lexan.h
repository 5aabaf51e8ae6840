#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/error_context.h"
#include "lexan/keyword_table.h"
#include "util/linked_list.h"
#include "util/search_tree.h"
#include "util/unique_file.h"

namespace kx {

// Token kinds: 0 to 255 are special characters; clients choose keyword kinds
// above LEXAN_END_OF_FILE.
enum : int {
  LEXAN_INTEGER = 256,
  LEXAN_HEXADECIMAL = 257,
  LEXAN_STRING = 258,
  LEXAN_LITERAL = 259,
  LEXAN_ELLIPSIS = 260,
  LEXAN_END_OF_FILE = 261,
};

class Lexan;

namespace lexan_ahead {

// A token read ahead, in 16 bytes: the tokens pass from one core to the
// other, and fewer cache lines pass with them.
struct Batch;

struct AheadToken {
  int token = 0;
  int line = 0;
  // An integer's value; for a string or a literal, the size of its text,
  // which follows the texts of the tokens before it in the batch's texts,
  // each with a zero byte after it.
  std::uint32_t value_or_size = 0;
  std::uint16_t token_column = 0;  // columns stay below the line limit
  std::uint16_t column = 0;
};

}  // namespace lexan_ahead

// A scanner recognises one token at the current position. True: it set the
// token (and its value or text) and moved past it. False: it consumed nothing.
using LexanScanner = bool (*)(Lexan& lexan);

bool Scan_Special(Lexan& lexan);
bool Scan_Integer(Lexan& lexan);
bool Scan_Hexadecimal(Lexan& lexan);
bool Scan_String(Lexan& lexan);
bool Scan_Keyword(Lexan& lexan);
bool Scan_Literal(Lexan& lexan);

struct LexanContext {
  int number = 0;
  std::unique_ptr<LinkedList<LexanScanner>> scanners;
  // The scanners, in list order, that may accept a token starting with each
  // byte: candidates[starts[c]] to candidates[starts[c + 1]]. A scanner left
  // out for a byte would consume nothing there, so only the calls that
  // cannot succeed are saved. Built on first use after the scanners or the
  // specials changed (built_for differs from the lexer's vocabulary version).
  // The lexer's own scanners are told by a number, so that they are called
  // directly; a keyword scanner followed by a literal scanner is one
  // candidate, which reads a name once.
  enum class Builtin : std::uint8_t { Other, Special, Integer, Hexadecimal, String, Keyword, Literal, Name };
  struct Candidate {
    LexanScanner scanner = nullptr;
    Builtin builtin = Builtin::Other;
  };
  std::vector<Candidate> candidates;
  std::array<std::uint16_t, 257> starts{};
  int built_for = -1;
};

struct LexanKeyword {
  std::string text;  // spelled as registered
  int kind = 0;
  std::string folded;  // text with A to Z taken as a to z
};

// A table-driven lexical analyzer with no vocabulary of its own: clients
// register specials, keywords and contexts (ordered scanner lists), then read
// one file line by line. Every input error ends the parse through the error
// context with a listing of the line and an arrow under the column.
//
// Calling order: construct; per context Lexan_Create_Context and its
// Lexan_Add_Scanner calls; specials and keywords; Lexan_Set_Context;
// Lexan_Open_File (reads the first token); the parse; Lexan_Close_File.
class Lexan {
 public:
  static constexpr int kLineLimit = 512;
  static constexpr int kTabStop = 8;
  static constexpr std::size_t kDiagnosticSize = 4096;
  static constexpr std::size_t kTextSize = 2048;

  // Lexan_Create. `hint` is appended to every positioned diagnostic; it is
  // not copied and must outlive the lexer.
  Lexan(ErrorContext& errors, const char* hint);
  // Lexan_Destroy; also closes the file when it is still open.
  ~Lexan();

  Lexan(const Lexan&) = delete;
  Lexan& operator=(const Lexan&) = delete;

  // Registration (errors of the client's set-up are raised on the error context).
  int Lexan_Create_Context();
  void Lexan_Add_Scanner(LexanScanner scanner);
  void Lexan_Set_Context(int number);
  void Lexan_Add_Special(char c);
  void Lexan_Add_Keyword(std::string_view text, int kind);

  // Reading. The file is read as bytes: a carriage return directly before a
  // line feed is dropped, any other one reaches the scanners. A line of 512
  // characters or more after tab expansion (stop every 8), its line feed
  // counted, is refused (510 characters of text are the most), and so
  // is a zero byte outside a comment ("Invalid lexeme."), so that no text
  // after it is ever skipped unseen. An integer or hexadecimal greater than
  // 32 bits can hold is refused rather than cut.
  // Lexan_Open_File reports a file it cannot open (no listing) and reads the
  // first token; it needs a current context. At the end of the input the
  // token stays LEXAN_END_OF_FILE. Lexan_Close_File may be called any time.
  void Lexan_Open_File(const std::filesystem::path& path);
  // Reads `text` as the content of a file; the text must outlive the reading.
  void Lexan_Open_Text(std::string_view text);
  void Lexan_Close_File();
  void Lexan_Get_Token() {
    // While reading ahead, a token of the batch at hand is taken here: a
    // call per token out of line was a tenth of a large script's parse.
    if (ahead_next_ != ahead_end_)
      Take_Token(*ahead_next_++);
    else
      Get_Next_Token();
  }
  // Lexan_Expected({kind}) unless the current token is of that kind; then reads on.
  void Lexan_Match(int kind) {
    if (front_->token != kind) Lexan_Expected({kind});
    Lexan_Get_Token();
  }

  // Diagnostics; both list the line the lexer stands at, with an arrow under
  // the column, and end the parse with BuildFailure(0). Lexan_Expected names
  // the current token and one or more expected kinds.
  [[noreturn]] void Lexan_Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
  [[noreturn]] void Lexan_Expected(std::initializer_list<int> kinds);
  // The text form of a kind: "'c'", "an integer", ..., "'keyword'" (the first
  // registered keyword of that kind in keyword order).
  std::string Lexan_Token_To_String(int kind);

  // The current token.
  int Lexan_Token() const { return front_->token; }
  std::uint32_t Lexan_Value() const { return front_->value; }
  // A string's or a literal's text, NUL-terminated; empty for other tokens.
  // It stays as it is until the next token is read.
  std::string_view Lexan_String() const { return Text_Of(LEXAN_STRING, scan_.string_text); }
  std::string_view Lexan_Literal() const { return Text_Of(LEXAN_LITERAL, scan_.literal_text); }
  int Lexan_Line() const { return front_->line; }
  int Lexan_Column() const { return front_->column; }
  // The column of the current token's first character.
  int Lexan_Token_Column() const { return front_->token_column; }

  // From here on the tokens are read on a second thread, ahead of the ones
  // the client takes, when at least `min_bytes` of input are left and the
  // context's scanners are all the lexer's own; the context and the
  // vocabulary may no longer change. Nothing else does: at a fault, the lexer
  // reads the input again up to the last token taken and reports from there,
  // as it would have without reading ahead.
  static constexpr std::size_t kReadAheadBytes = std::size_t{1} << 18;
  void Lexan_Read_Ahead(std::size_t min_bytes = kReadAheadBytes);

  // Where the latest positioned diagnostic points: its line and the columns
  // of the first and the last character it concerns (the token it was
  // raised at, or the one character no scanner accepted).
  struct Span {
    int line = 0;
    int first_column = 0;
    int last_column = 0;
  };
  const Span& Lexan_Error_Span() const { return error_span_; }
  // After a positioned diagnostic, goes on reading after the character the
  // arrow marked, so that a tool can list every token of a faulty text.
  void Lexan_Resume();

  ErrorContext& errors() { return errors_; }

 private:
  friend bool Scan_Special(Lexan&);
  friend bool Scan_Integer(Lexan&);
  friend bool Scan_Hexadecimal(Lexan&);
  friend bool Scan_String(Lexan&);
  friend bool Scan_Keyword(Lexan&);
  friend bool Scan_Literal(Lexan&);

  void Advance() {
    ++position_;
    ++scan_.column;
  }
  // Lexan_Get_Token's scanning, on whichever thread reads the input.
  void Scan_Token();
  // A scanner's text of a string or a literal: where it lies in the line
  // while the reading thread scans (it is copied into the batch at once),
  // else into `text`.
  void Keep_Scanned_Text(std::string& text, const char* begin, const char* end) {
    if (scanning_ahead_) {
      scanned_text_ = begin;
      scanned_size_ = static_cast<std::size_t>(end - begin);
    } else {
      text.assign(begin, end);
    }
  }
  // Reading ahead (lexan_ahead.cpp).
  void Read_Ahead_Loop();
  void Get_Next_Token();
  void Take_Ahead_Token();
  void Take_Token(const lexan_ahead::AheadToken& token) {
    taken_.token = token.token;
    taken_.line = token.line;
    taken_.column = token.column;
    taken_.token_column = token.token_column;
    if (token.token == LEXAN_STRING || token.token == LEXAN_LITERAL) {
      // Read in the batch, which is kept until the next token is taken.
      taken_.value = 0;
      taken_text_data_ = ahead_texts_;
      taken_text_size_ = token.value_or_size;
      ahead_texts_ += token.value_or_size + 1;
    } else {
      taken_.value = token.value_or_size;
    }
  }
  // The text of the token taken when the reading ahead starts, which the
  // reading thread is about to scan over.
  void Keep_Taken_Text(const char* text, std::size_t size) {
    if (size >= taken_text_.size()) taken_text_.resize(size + 1);
    std::memcpy(taken_text_.data(), text, size);
    taken_text_[size] = '\0';
    taken_text_data_ = taken_text_.data();
    taken_text_size_ = size;
  }
  std::string_view Text_Of(int kind, const std::string& scanned) const {
    if (!reading_ahead_) return scanned;
    return taken_.token == kind ? std::string_view(taken_text_data_, taken_text_size_) : std::string_view();
  }
  void Refuse_While_Reading_Ahead(const char* routine);
  // Ends the reading ahead: the lexer's state is the reading thread's again.
  void Stop_Reading_Ahead();
  // Ends the reading ahead and reads the input again from its start up to
  // the token taken last, so that the lexer stands where it would stand had
  // it not read ahead: a diagnostic lists what it would have listed.
  void Read_Again_To_Taken();
  // Reads the next physical line; false at the end of the input.
  bool Read_Line();
  // Takes the next line where it lies when it is whole and plain; false
  // (and nothing taken) otherwise.
  bool Take_Plain_Line();
  // Copies a current line that lies in the input to line_buffer_, its tabs
  // expanded, before the input it lies in is read over and before it is
  // listed in a diagnostic.
  void Keep_Line();
  // The next byte of the file, or EOF at its end or on a read error.
  int Next_Byte() {
    if (input_next_ == input_end_ && !Fill_Input()) return EOF;
    return static_cast<unsigned char>(input_[input_next_++]);
  }
  bool Fill_Input();
  void Build_Candidates(LexanContext& context) const;
  bool Scan(const LexanContext::Candidate& candidate);
  // Scan_Keyword, and where it finds no keyword Scan_Literal, in one pass.
  bool Scan_Name();
  // Reads the run of letters and '_' at the position, refusing one of 256 or
  // more; returns the keyword it spells, or nullptr, and where it ends.
  const LexanKeyword* Read_Keyword_Run(const char*& end);
  // Starts at the first line of the opened input and reads the first token.
  void Start_Reading();
  // Back to the start of the opened input, before its first line.
  void Rewind_Input();
  // Copies the bytes up to the next line feed, carriage return or tab that
  // are already read, at most `room` of them, to `out`; returns how many.
  int Copy_Plain(char* out, int room);
  [[noreturn]] void Lexan_Listing(const std::string& message);

  // A token: the one being scanned, or while reading ahead the one the
  // client took last.
  struct TokenState {
    int token = 0;
    std::uint32_t value = 0;
    int line = 0;
    int column = 0;
    int token_column = 0;
    std::string string_text;
    std::string literal_text;
  };

  ErrorContext& errors_;
  TokenState scan_;
  bool scanning_ahead_ = false;  // on the reading thread: texts are left in the line
  const char* scanned_text_ = nullptr;
  std::size_t scanned_size_ = 0;
  int scan_column_ = -1;  // the column before the token being scanned; -1 outside a scan
  Span error_span_;
  int context_count_ = 0;
  const char* hint_;
  // The current line, its line feed included, is scanned where it lies in
  // the input when it lies there whole and plain (no carriage return, zero
  // byte or tab inside a string; other tabs move the column to the next
  // stop), so that most lines are never copied. Any other line is copied,
  // tabs expanded, into line_buffer_: zeros from the end of its text on, and
  // one more terminating zero that is never overwritten. Every scanner stops
  // at the line feed, or at a zero in line_buffer_.
  std::array<char, kLineLimit + 1> line_buffer_{};
  int buffer_length_ = 0;  // characters of the latest line copied to line_buffer_
  const char* line_start_ = nullptr;
  const char* line_end_ = nullptr;  // one past the line's last character
  int line_length_ = 0;             // line_end_ - line_start_
  // Where scanning continues: inside the current line, or the constant line
  // feed before the first line, or nullptr once the end of the input was met.
  const char* position_ = nullptr;
  UniqueFile file_;
  // Bytes of the input: read from file_ in blocks into input_buffer_, or a
  // text given whole; input_next_ is the next one to take.
  static constexpr std::size_t kInputBlock = 64 * 1024;
  std::vector<char> input_buffer_;
  std::string_view input_text_;
  bool reading_text_ = false;
  const char* input_ = nullptr;
  std::size_t input_next_ = 0;
  std::size_t input_end_ = 0;
  SearchTree<LexanContext> contexts_;
  SearchTree<char> specials_;
  SearchTree<LexanKeyword> keywords_;
  // The scanners' lookups. keywords_ keeps the order the diagnostics walk;
  // keyword_table_ finds a keyword by its folded text.
  KeywordTable keyword_table_;
  std::array<bool, 256> is_special_{};  // the registered specials
  int vocabulary_version_ = 0;          // counts changes of scanners and specials
  LexanContext* current_context_ = nullptr;
  std::string_view opened_text_;  // the text of Lexan_Open_Text, for reading it again

  // While reading ahead, the reading thread owns every member above that
  // scanning changes; the client's thread reads the token it took from
  // taken_, kept on cache lines of its own.
  struct ReadAhead;
  struct AheadFault {};  // a fault met on the reading thread, which stops there
  static thread_local bool on_reading_thread_;
  alignas(64) const TokenState* front_ = &scan_;  // what the accessors read
  bool reading_ahead_ = false;
  TokenState taken_;                       // its texts unused: the taken token's text is at taken_text_data_
  const char* taken_text_data_ = nullptr;  // zero-terminated, in its batch or in taken_text_
  std::size_t taken_text_size_ = 0;
  std::vector<char> taken_text_ = std::vector<char>(kTextSize);
  // The batch the client took from when the reading ahead stopped: a text
  // read from it may still be in use (a diagnostic names it).
  std::unique_ptr<lexan_ahead::Batch> last_batch_;
  std::unique_ptr<ReadAhead> ahead_;
  // The tokens of the batch the client takes from that are yet to be taken,
  // and the texts of those tokens.
  const lexan_ahead::AheadToken* ahead_next_ = nullptr;
  const lexan_ahead::AheadToken* ahead_end_ = nullptr;
  const char* ahead_texts_ = nullptr;
};

}  // namespace kx
