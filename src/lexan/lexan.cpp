#include "lexan/lexan.h"

#include <algorithm>

#include "lexan/lexan_ahead.h"
#include "lexan/lexan_chars.h"

namespace kx {

using namespace lexan_chars;

namespace {

constexpr const char* kModule = "lexan/lexan";
constexpr std::size_t kKeywordLimit = 256;
// Integers and hexadecimals are scanned up to this value, one past 32 bits.
constexpr std::uint64_t kValueLimit = std::uint64_t{1} << 32;

int Compare_Context(const LexanContext& a, const LexanContext& b) {
  return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

int Compare_Special(const char& a, const char& b) {
  return static_cast<unsigned char>(a) - static_cast<unsigned char>(b);
}

int Compare_Keyword(const LexanKeyword& a, const LexanKeyword& b) { return Compare_No_Case(a.text, b.text); }

int Compare_Scanner(const LexanScanner& a, const LexanScanner& b) { return a == b ? 0 : 1; }

}  // namespace

Lexan::Lexan(ErrorContext& errors, const char* hint)
    : errors_(errors),
      hint_(hint != nullptr ? hint : ""),
      line_start_(line_buffer_.data()),
      line_end_(line_buffer_.data()),
      position_(line_buffer_.data()),
      contexts_(Compare_Context),
      specials_(Compare_Special),
      keywords_(Compare_Keyword) {
  scan_.string_text.reserve(kTextSize);
  scan_.literal_text.reserve(kTextSize);
}

int Lexan::Lexan_Create_Context() {
  auto context = std::make_unique<LexanContext>();
  context->number = context_count_ + 1;
  context->scanners = std::make_unique<LinkedList<LexanScanner>>(Compare_Scanner);
  contexts_.Insert(std::move(context));
  return ++context_count_;
}

void Lexan::Lexan_Add_Scanner(LexanScanner scanner) {
  Refuse_While_Reading_Ahead("Lexan_Add_Scanner");
  LexanContext key;
  key.number = context_count_;
  LexanContext* newest = contexts_.Find(key);
  if (newest == nullptr) {
    errors_.Raise_At(kModule, "Lexan_Add_Scanner", "Unable to find current lexan context.");
  }
  if (newest->scanners->Find(scanner) != nullptr) {
    errors_.Raise_At(kModule, "Lexan_Add_Scanner", "Scanner already in scanner list.");
  }
  newest->scanners->Add(std::make_unique<LexanScanner>(scanner));
  ++vocabulary_version_;
}

void Lexan::Lexan_Set_Context(int number) {
  Refuse_While_Reading_Ahead("Lexan_Set_Context");
  LexanContext key;
  key.number = number;
  current_context_ = contexts_.Find(key);
  if (current_context_ == nullptr) {
    errors_.Raise_At(kModule, "Lexan_Set_Context", "Given context does not exists.");
  }
}

void Lexan::Lexan_Add_Special(char c) {
  Refuse_While_Reading_Ahead("Lexan_Add_Special");
  if (specials_.Find(c) != nullptr) {
    errors_.Raise_At(kModule, "Lexan_Add_Special", "Duplicate special character entered.");
  }
  specials_.Insert(std::make_unique<char>(c));
  is_special_[static_cast<unsigned char>(c)] = true;
  ++vocabulary_version_;
}

// The tokens read ahead were scanned with the vocabulary and the context of
// the time: neither may change while they are.
void Lexan::Refuse_While_Reading_Ahead(const char* routine) {
  if (!reading_ahead_) return;
  Stop_Reading_Ahead();
  errors_.Raise_At(kModule, routine, "The vocabulary cannot change while tokens are read ahead.");
}

void Lexan::Build_Candidates(LexanContext& context) const {
  // Whether `scanner` can accept a token that starts with `c`; a scanner the
  // lexer does not know is always tried.
  const auto may_start = [this](LexanScanner scanner, char c) {
    if (scanner == Scan_Special) return is_special_[static_cast<unsigned char>(c)];
    if (scanner == Scan_Integer) return Is_Digit(c);
    if (scanner == Scan_Hexadecimal) return c == '0';
    if (scanner == Scan_String) return c == '"';
    if (scanner == Scan_Keyword) return Is_Keyword_Char(c);  // it also refuses over-long runs
    if (scanner == Scan_Literal) return Is_Literal_Char(c) && !Is_Digit(c);
    return true;
  };
  using Builtin = LexanContext::Builtin;
  const std::pair<LexanScanner, Builtin> builtins[] = {
      {Scan_Special, Builtin::Special},         {Scan_Integer, Builtin::Integer},
      {Scan_Hexadecimal, Builtin::Hexadecimal}, {Scan_String, Builtin::String},
      {Scan_Keyword, Builtin::Keyword},         {Scan_Literal, Builtin::Literal}};
  context.candidates.clear();
  for (int code = 0; code < 256; ++code) {
    context.starts[static_cast<std::size_t>(code)] = static_cast<std::uint16_t>(context.candidates.size());
    for (LexanScanner scanner : *context.scanners) {
      if (!may_start(scanner, static_cast<char>(code))) continue;
      Builtin builtin = Builtin::Other;
      for (const auto& [known, number] : builtins)
        if (scanner == known) builtin = number;
      if (builtin == Builtin::Literal && !context.candidates.empty() &&
          context.starts[static_cast<std::size_t>(code)] < context.candidates.size() &&
          context.candidates.back().builtin == Builtin::Keyword)
        context.candidates.back().builtin = Builtin::Name;
      else
        context.candidates.push_back({scanner, builtin});
    }
  }
  context.starts[256] = static_cast<std::uint16_t>(context.candidates.size());
  context.built_for = vocabulary_version_;
}

void Lexan::Lexan_Add_Keyword(std::string_view text, int kind) {
  Refuse_While_Reading_Ahead("Lexan_Add_Keyword");
  auto keyword = std::make_unique<LexanKeyword>();
  keyword->text = text;
  keyword->kind = kind;
  if (keywords_.Find(*keyword) != nullptr) {
    errors_.Raise_At(kModule, "Lexan_Add_Keyword", "Duplicate keyword string value entered (\"%s\").",
                     keyword->text.c_str());
  }
  keyword->folded.resize(text.size());
  std::transform(text.begin(), text.end(), keyword->folded.begin(),
                 [](char c) { return static_cast<char>(Fold_Case(c)); });
  keyword_table_.Insert(*keyword);
  keywords_.Insert(std::move(keyword));
}

bool Scan_Special(Lexan& lexan) {
  if (!lexan.is_special_[static_cast<unsigned char>(*lexan.position_)]) return false;
  lexan.scan_.token = static_cast<unsigned char>(*lexan.position_);
  lexan.Advance();
  return true;
}

bool Scan_Integer(Lexan& lexan) {
  if (!Is_Digit(*lexan.position_)) return false;
  std::uint64_t value = 0;
  for (; Is_Digit(*lexan.position_); lexan.Advance())
    value = std::min<std::uint64_t>(value * 10u + static_cast<std::uint64_t>(*lexan.position_ - '0'),
                                    kValueLimit);
  // A number is never cut to 32 bits: that would build something else.
  if (value == kValueLimit) lexan.Lexan_Error("Integer value greater than 4294967295.");
  lexan.scan_.value = static_cast<std::uint32_t>(value);
  lexan.scan_.token = LEXAN_INTEGER;
  return true;
}

bool Scan_Hexadecimal(Lexan& lexan) {
  const char* p = lexan.position_;
  // Short-circuiting keeps every look inside the line: a zero ends the test.
  if (p[0] != '0' || p[1] != 'x' || !Is_Hex_Digit(p[2])) return false;
  lexan.Advance();
  lexan.Advance();
  std::uint64_t value = 0;
  for (; Is_Hex_Digit(*lexan.position_); lexan.Advance())
    value = std::min<std::uint64_t>(
        value * 16u + static_cast<std::uint64_t>(Hex_Digit_Value(*lexan.position_)), kValueLimit);
  if (value == kValueLimit) lexan.Lexan_Error("Hexadecimal value greater than 0xFFFFFFFF.");
  lexan.scan_.value = static_cast<std::uint32_t>(value);
  lexan.scan_.token = LEXAN_HEXADECIMAL;
  return true;
}

bool Scan_String(Lexan& lexan) {
  if (*lexan.position_ != '"') return false;
  lexan.Advance();
  // A string still open at the end of its line takes the rest of the line,
  // its line feed included; no step is taken past the end of the line text.
  const char* end = lexan.position_;
  while (*end != '"' && *end != '\n' && *end != '\0') ++end;
  if (*end == '\n') ++end;
  lexan.Keep_Scanned_Text(lexan.scan_.string_text, lexan.position_, end);
  lexan.scan_.column += static_cast<int>(end - lexan.position_);
  lexan.position_ = end;
  if (*lexan.position_ == '"') lexan.Advance();
  lexan.scan_.token = LEXAN_STRING;
  return true;
}

[[gnu::always_inline]] inline const LexanKeyword* Lexan::Read_Keyword_Run(const char*& end) {
  const char* p = position_;
  while (Is_Keyword_Char(*p)) ++p;
  end = p;
  const auto size = static_cast<std::size_t>(p - position_);
  if (size >= kKeywordLimit) {
    // As for every token, the arrow stands at the column before the run; the
    // span of the diagnostic still covers the run's first character.
    Lexan_Error("The size of the scanned lexeme for keyword check is greater than or equal to %s.", "256");
  }
  if (size == 0) return nullptr;
  const std::string_view run(position_, size);
  return keyword_table_.Find(run, KeywordTable::Hash(run));
}

bool Scan_Keyword(Lexan& lexan) {
  const char* end = nullptr;
  const LexanKeyword* keyword = lexan.Read_Keyword_Run(end);
  if (keyword == nullptr) return false;
  lexan.scan_.token = keyword->kind;
  lexan.scan_.column += static_cast<int>(end - lexan.position_);
  lexan.position_ = end;
  return true;
}

bool Scan_Literal(Lexan& lexan) {
  if (Is_Digit(*lexan.position_) || !Is_Literal_Char(*lexan.position_)) return false;
  const char* end = lexan.position_;
  while (Is_Literal_Char(*end)) ++end;
  lexan.Keep_Scanned_Text(lexan.scan_.literal_text, lexan.position_, end);
  lexan.scan_.column += static_cast<int>(end - lexan.position_);
  lexan.position_ = end;
  lexan.scan_.token = LEXAN_LITERAL;
  return true;
}

// The lexer's own scanners are called directly, where the compiler can
// inline them; a client's scanner through its pointer. This dispatch, the
// name scanner and the keyword run (used only in this file) are forced
// inline into Scan_Token, the loop of the reading thread.
[[gnu::always_inline]] inline bool Lexan::Scan(const LexanContext::Candidate& candidate) {
  using Builtin = LexanContext::Builtin;
  switch (candidate.builtin) {
    case Builtin::Special:
      return Scan_Special(*this);
    case Builtin::Integer:
      return Scan_Integer(*this);
    case Builtin::Hexadecimal:
      return Scan_Hexadecimal(*this);
    case Builtin::String:
      return Scan_String(*this);
    case Builtin::Keyword:
      return Scan_Keyword(*this);
    case Builtin::Literal:
      return Scan_Literal(*this);
    case Builtin::Name:
      return Scan_Name();
    case Builtin::Other:
      break;
  }
  return candidate.scanner(*this);
}

[[gnu::always_inline]] inline bool Lexan::Scan_Name() {
  const char* end = nullptr;
  if (const LexanKeyword* keyword = Read_Keyword_Run(end)) {
    scan_.token = keyword->kind;
  } else {
    // The literal goes on from the end of the run of letters and '_'.
    while (Is_Literal_Char(*end)) ++end;
    Keep_Scanned_Text(scan_.literal_text, position_, end);
    scan_.token = LEXAN_LITERAL;
  }
  scan_.column += static_cast<int>(end - position_);
  position_ = end;
  return true;
}

void Lexan::Get_Next_Token() {
  if (reading_ahead_)
    Take_Ahead_Token();
  else
    Scan_Token();
}

void Lexan::Scan_Token() {
  scan_.value = 0;
  scan_.string_text.clear();
  scan_.literal_text.clear();
  while (position_ != nullptr) {
    // A line in the input is followed by the next one: nothing past its end is read.
    // Tabs are met only in a line scanned where it lies; a copied line has them expanded.
    for (; position_ != line_end_; ++position_) {
      if (*position_ == ' ')
        ++scan_.column;
      else if (*position_ == '\t')
        scan_.column += kTabStop - scan_.column % kTabStop;
      else
        break;
    }
    const char c = position_ != line_end_ ? *position_ : '\0';
    if (c == '\0' && position_ >= line_start_ && position_ < line_end_) {
      scan_column_ = scan_.column++;  // a zero byte inside the line: the arrow marks it
      Lexan_Error("Invalid lexeme.");
    }
    if ((c == '/' && position_[1] == '/') || c == '\n' || c == '\0') {
      if (!Read_Line()) {
        scan_.token = LEXAN_END_OF_FILE;
        scan_.token_column = scan_.column;
        position_ = nullptr;
      }
    } else {
      if (current_context_ == nullptr) {
        errors_.Raise_At(kModule, "Lexan_Get_Token", "Unable to find current lexan context.");
      }
      LexanContext& context = *current_context_;
      if (context.built_for != vocabulary_version_) Build_Candidates(context);
      scan_column_ = scan_.column;
      const auto code = static_cast<unsigned char>(c);
      for (std::uint16_t i = context.starts[code]; i < context.starts[code + 1u]; ++i) {
        if (Scan(context.candidates[i])) {
          scan_.token_column = scan_column_ + 1;
          scan_column_ = -1;
          return;
        }
      }
      ++scan_.column;  // the arrow marks the character no scanner accepted
      Lexan_Error("Invalid lexeme.");
    }
  }
}

}  // namespace kx
