#include <optional>

#include "lsp/features.h"

namespace kx::lsp {
namespace {

using Json = nlohmann::json;

// The legend's token types, by their index in it.
enum TokenType : int {
  kNamespaceType,
  kKeywordType,
  kFunctionType,
  kPropertyType,
  kClassType,
  kStructType,
  kVariableType,
  kEnumType,
  kNumberType,
  kStringType,
  kRegexpType,
  kEnumMemberType,
  kCommentType,
};
constexpr const char* kTypeNames[] = {"namespace", "keyword",    "function", "property", "class",
                                      "struct",    "variable",   "enum",     "number",   "string",
                                      "regexp",    "enumMember", "comment"};
constexpr int kDeclarationModifier = 1;

std::optional<int> Type_Of(TokenClass token_class) {
  switch (token_class) {
    case TokenClass::SectionHeader:
    case TokenClass::RoutineHeader:
      return kNamespaceType;
    case TokenClass::Operation:
    case TokenClass::Boolean:
      return kKeywordType;
    case TokenClass::Routine:
      return kFunctionType;
    case TokenClass::Label:
      return kPropertyType;
    case TokenClass::Object:
      return kClassType;
    case TokenClass::Position:
      return kStructType;
    case TokenClass::Variable:
      return kVariableType;
    case TokenClass::Text:
      return kEnumType;
    case TokenClass::Number:
      return kNumberType;
    case TokenClass::String:
      return kStringType;
    case TokenClass::StringEscape:
      return kRegexpType;
    case TokenClass::Constant:
      return kEnumMemberType;
    case TokenClass::Comment:
      return kCommentType;
    case TokenClass::Name:
    case TokenClass::Punctuation:
    case TokenClass::Invalid:
      break;
  }
  return std::nullopt;
}

}  // namespace

Json Semantic_Tokens_Legend() { return {{"tokenTypes", kTypeNames}, {"tokenModifiers", {"declaration"}}}; }

Json Semantic_Tokens(const AnalysedText& text) {
  std::vector<int> data;
  LspPosition previous;
  const auto add = [&](std::size_t from, std::size_t to, int type, int modifiers) {
    const LspPosition start = text.index.Position_Of(from);
    const int length = text.index.Position_Of(to).character - start.character;
    if (length <= 0) return;
    data.insert(data.end(),
                {start.line - previous.line,
                 start.line == previous.line ? start.character - previous.character : start.character, length,
                 type, modifiers});
    previous = start;
  };
  for (const ScriptToken& token : text.analysis.tokens()) {
    const std::optional<int> type = Type_Of(token.token_class);
    if (!type) continue;
    const int modifiers = token.definition ? kDeclarationModifier : 0;
    std::size_t from = token.offset;
    const std::size_t end = token.offset + static_cast<std::size_t>(token.length);
    while (from < end) {  // a lone carriage return ends a line for the client
      const std::size_t line_end = std::min(end, text.index.Line_End_At(from));
      add(from, line_end, *type, modifiers);
      const std::size_t next = text.index.Offset_Of({text.index.Position_Of(line_end).line + 1, 0});
      if (line_end == end || next <= from) break;
      from = next;
    }
  }
  return {{"data", data}};
}

}  // namespace kx::lsp
