#include "lexan/lexan_ahead.h"

#include <cstdio>
#include <system_error>

namespace kx {
namespace {

constexpr const char* kModule = "lexan/lexan";

}  // namespace

thread_local bool Lexan::on_reading_thread_ = false;

static_assert(Lexan::kLineLimit <= 0xFFFF, "a column read ahead is kept in 16 bits");

Lexan::~Lexan() { Stop_Reading_Ahead(); }

void Lexan::Lexan_Read_Ahead(std::size_t min_bytes) {
  if (reading_ahead_ || position_ == nullptr || current_context_ == nullptr) return;
  if (std::thread::hardware_concurrency() < 2) return;
  // Only the lexer's own scanners are known to keep to the scan's state.
  LexanContext& context = *current_context_;
  if (context.built_for != vocabulary_version_) Build_Candidates(context);
  for (const LexanContext::Candidate& candidate : context.candidates)
    if (candidate.builtin == LexanContext::Builtin::Other) return;
  std::size_t left = input_end_ - input_next_;
  if (reading_text_) {
    left += input_text_.size();
  } else if (std::FILE* file = file_.get()) {
    const long at = std::ftell(file);
    if (at >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
      const long end = std::ftell(file);
      if (std::fseek(file, at, SEEK_SET) != 0) return;
      if (end > at) left += static_cast<std::size_t>(end - at);
    }
  }
  if (left < min_bytes) return;

  taken_ = scan_;
  const std::string& text = scan_.token == LEXAN_STRING ? scan_.string_text : scan_.literal_text;
  Keep_Taken_Text(text.data(), text.size());
  ahead_ = std::make_unique<ReadAhead>();
  try {
    ahead_->reader = std::thread([this] { Read_Ahead_Loop(); });
  } catch (const std::system_error&) {
    ahead_.reset();  // no second thread: read as before
    return;
  }
  reading_ahead_ = true;
  front_ = &taken_;
}

void Lexan::Read_Ahead_Loop() {
  on_reading_thread_ = true;
  scanning_ahead_ = true;
  ReadAhead& ahead = *ahead_;
  for (;;) {
    std::unique_ptr<lexan_ahead::Batch> batch = ahead.Take_Empty();
    if (!batch) return;
    batch->tokens.clear();
    batch->texts.clear();
    batch->last = false;
    batch->fault = false;
    try {
      while (batch->tokens.size() < lexan_ahead::kBatchTokens && !batch->last) {
        Scan_Token();
        // Built where it is kept: a copy of a token just stored field by
        // field would wait for all the stores.
        lexan_ahead::AheadToken& token = batch->tokens.emplace_back();
        token.token = scan_.token;
        token.line = scan_.line;
        token.value_or_size = scan_.value;
        token.token_column = static_cast<std::uint16_t>(scan_.token_column);
        token.column = static_cast<std::uint16_t>(scan_.column);
        if (scan_.token == LEXAN_STRING || scan_.token == LEXAN_LITERAL) {
          token.value_or_size = static_cast<std::uint32_t>(scanned_size_);
          batch->texts.append(scanned_text_, scanned_size_);
          batch->texts += '\0';
        }
        batch->last = scan_.token == LEXAN_END_OF_FILE;
      }
    } catch (...) {
      // A fault of the input, or any other: the client's thread meets it
      // again when it reads on from the last token taken.
      batch->last = true;
      batch->fault = true;
    }
    const bool last = batch->last;
    ahead.Put_Full(std::move(batch));
    if (last) return;
  }
}

// The batch at hand is all taken: takes the first token of the next one,
// or stays at the end of the input, or meets the fault that ended the reading.
void Lexan::Take_Ahead_Token() {
  ReadAhead& ahead = *ahead_;
  if (ahead.taking && ahead.taking->last) {
    if (!ahead.taking->fault) return;  // the end of the input: the token stays
    Read_Again_To_Taken();
    Scan_Token();  // meets the fault, as the reading thread did
    return;
  }
  if (ahead.taking) ahead.Give_Back(std::move(ahead.taking));
  ahead.taking = ahead.Take_Full();
  const lexan_ahead::Batch& batch = *ahead.taking;
  ahead_next_ = batch.tokens.data();
  ahead_end_ = ahead_next_ + batch.tokens.size();
  ahead_texts_ = batch.texts.data();
  if (ahead_next_ != ahead_end_)
    Take_Token(*ahead_next_++);
  else
    Take_Ahead_Token();
}

void Lexan::Stop_Reading_Ahead() {
  if (!ahead_) return;
  last_batch_ = std::move(ahead_->taking);
  ahead_->Stop();
  ahead_.reset();
  scanning_ahead_ = false;
  ahead_next_ = ahead_end_ = nullptr;
  ahead_texts_ = nullptr;
  reading_ahead_ = false;
  front_ = &scan_;
}

void Lexan::Read_Again_To_Taken() {
  Stop_Reading_Ahead();
  Rewind_Input();
  while (scan_.line + 1 < taken_.line && Read_Line()) {
  }
  if (scan_.line > 0) position_ = line_end_;  // the next scan starts the next line
  for (;;) {
    Scan_Token();
    if (scan_.line == taken_.line && scan_.token_column == taken_.token_column && scan_.token == taken_.token)
      return;
    if (scan_.line > taken_.line || scan_.token == LEXAN_END_OF_FILE) {
      errors_.Raise_At(kModule, "Lexan_Read_Ahead", "The input changed while it was read.");
    }
  }
}

}  // namespace kx
