#include "analysis/script_lexing.h"

#include <algorithm>

#include "diagnostics/error_context.h"
#include "lexan/lexan.h"
#include "vmasm/vmasm.h"

namespace kx {
namespace {

bool Is_Section_Keyword(int kind) {
  return kind == VMASM_KEYWORD_OBJECTS || kind == VMASM_KEYWORD_POSITIONS || kind == VMASM_KEYWORD_VARIABLES ||
         kind == VMASM_KEYWORD_TEXT;
}

// Adds the comments that stand in text[from, to), where only blanks, line
// ends and comments can stand between two tokens.
void Add_Comments(const LineMap& lines, std::string_view text, std::size_t from, std::size_t to,
                  std::vector<LexedToken>& out) {
  while (from < to) {
    const std::size_t slashes = text.substr(from, to - from).find("//");
    if (slashes == std::string_view::npos) return;
    const std::size_t start = from + slashes;
    const auto [line, column] = lines.Position_Of(start);
    const std::size_t line_end = lines.Line_Start(line) + lines.Line_Text(line).size();
    LexedToken comment;
    comment.kind = 0;
    comment.comment = true;
    comment.line = line;
    comment.column = column;
    comment.offset = start;
    comment.length = static_cast<int>(line_end - start);
    out.push_back(comment);
    from = line_end;
  }
}

}  // namespace

LineMap::LineMap(std::string_view text) : text_(text) {
  starts_.push_back(0);
  bool tabs = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') tabs = true;
    if (text[i] != '\n') continue;
    starts_.push_back(i + 1);
    has_tabs_.push_back(tabs);
    tabs = false;
  }
  has_tabs_.push_back(tabs);
}

std::size_t LineMap::Line_Start(int line) const {
  const int index = std::clamp(line, 1, line_count()) - 1;
  return starts_[static_cast<std::size_t>(index)];
}

std::string_view LineMap::Line_Text(int line) const {
  if (line < 1 || line > line_count()) return {};
  const std::size_t start = starts_[static_cast<std::size_t>(line - 1)];
  std::size_t end = line < line_count() ? starts_[static_cast<std::size_t>(line)] - 1 : text_.size();
  if (line < line_count() && end > start && text_[end - 1] == '\r') --end;
  return text_.substr(start, end - start);
}

int LineMap::Byte_Column(int line, int column) const {
  const std::string_view bytes = Line_Text(line);
  if (line < 1 || !has_tabs_[static_cast<std::size_t>(line - 1)])
    return std::clamp(column, 1, static_cast<int>(bytes.size()) + 1);
  int expanded = 0;  // columns the bytes before `i` take
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int width = bytes[i] == '\t' ? Lexan::kTabStop - expanded % Lexan::kTabStop : 1;
    if (column <= expanded + width) return static_cast<int>(i) + 1;
    expanded += width;
  }
  return static_cast<int>(bytes.size()) + 1;
}

std::pair<int, int> LineMap::Position_Of(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const auto line = static_cast<int>(after - starts_.begin());
  return {line, static_cast<int>(offset - starts_[static_cast<std::size_t>(line - 1)]) + 1};
}

std::vector<LexedToken> Lex_Script(std::string_view text, const VMOpcode& catalogue) {
  const LineMap lines(text);
  // Width 0: the diagnostics are not wanted, only the positions they mark.
  ErrorContext errors(0, std::make_unique<ListSink>(true));
  Lexan lexan(errors, "");
  const ScriptContexts contexts = Register_Script_Vocabulary(lexan, catalogue);
  lexan.Lexan_Set_Context(contexts.keywords);

  std::vector<LexedToken> tokens;
  tokens.reserve(text.size() / 4);
  const auto add = [&](int kind, int line, int first, int last) {
    LexedToken token;
    token.kind = kind;
    token.line = line;
    token.column = lines.Byte_Column(line, first);
    // Byte_Column never passes the line's end, so neither does the token.
    token.length = lines.Byte_Column(line, last + 1) - token.column;
    token.offset = lines.Line_Start(line) + static_cast<std::size_t>(token.column - 1);
    tokens.push_back(token);
  };
  // Every failure is a positioned diagnostic of the text: it becomes an
  // invalid stretch, and reading goes on after it.
  const auto attempt = [&](auto&& read) {
    try {
      read();
      return true;
    } catch (const BuildFailure&) {
      const Lexan::Span& span = lexan.Lexan_Error_Span();
      if (span.line > 0) add(-1, span.line, std::max(span.first_column, 1), std::max(span.last_column, 1));
      lexan.Lexan_Resume();
      return false;
    }
  };

  // Cuts the string token just added into its pieces.
  const auto split_escapes = [&] {
    const LexedToken whole = tokens.back();
    const std::string_view bytes = text.substr(whole.offset, static_cast<std::size_t>(whole.length));
    if (bytes.find("\\n") == std::string_view::npos) return;
    tokens.pop_back();
    std::size_t piece_start = 0;
    const auto add_piece = [&](std::size_t from, std::size_t to, bool escape) {
      if (to <= from) return;
      LexedToken piece = whole;
      piece.offset = whole.offset + from;
      piece.column = whole.column + static_cast<int>(from);
      piece.length = static_cast<int>(to - from);
      piece.escape = escape;
      piece.continued = from > 0;
      tokens.push_back(piece);
    };
    for (std::size_t at = bytes.find("\\n"); at != std::string_view::npos; at = bytes.find("\\n", at + 2)) {
      add_piece(piece_start, at, false);
      add_piece(at, at + 2, true);
      piece_start = at + 2;
    }
    add_piece(piece_start, bytes.size(), false);
  };

  bool have_token = attempt([&] { lexan.Lexan_Open_Text(text); });
  int previous_kind = 0;
  int section = 0;
  bool in_names = false;
  // Each failure moves on by a character at least; the bound guards against a
  // lexer that one day would not.
  for (std::size_t failures = 0; failures <= text.size() + 1;) {
    if (have_token) {
      const int kind = lexan.Lexan_Token();
      if (kind == LEXAN_END_OF_FILE) break;
      add(kind, lexan.Lexan_Line(), lexan.Lexan_Token_Column(), lexan.Lexan_Column());
      if (in_names && section == VMASM_KEYWORD_TEXT && kind == LEXAN_STRING) split_escapes();
      // The script reader reads the bodies of the data sections without
      // keywords, from the token after the section's word to its closing "[".
      if (!in_names && previous_kind == '[' && Is_Section_Keyword(kind)) {
        lexan.Lexan_Set_Context(contexts.names);
        in_names = true;
        section = kind;
      } else if (in_names && kind == '[') {
        lexan.Lexan_Set_Context(contexts.keywords);
        in_names = false;
      }
      previous_kind = kind;
    } else {
      ++failures;
    }
    have_token = attempt([&] { lexan.Lexan_Get_Token(); });
  }

  // The comments lie in the gaps between the tokens.
  std::vector<LexedToken> all;
  all.reserve(tokens.size() + tokens.size() / 8);
  std::size_t gap_start = 0;
  for (const LexedToken& token : tokens) {
    if (token.offset > gap_start) Add_Comments(lines, text, gap_start, token.offset, all);
    all.push_back(token);
    gap_start = std::max(gap_start, token.offset + static_cast<std::size_t>(token.length));
  }
  Add_Comments(lines, text, gap_start, text.size(), all);
  return all;
}

}  // namespace kx
