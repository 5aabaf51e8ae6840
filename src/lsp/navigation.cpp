#include <algorithm>
#include <cctype>

#include "lsp/features.h"

namespace kx::lsp {
namespace {

using Json = nlohmann::json;

// SymbolKind values of DocumentSymbol.
enum : int {
  kNamespace = 3,
  kFunction = 12,
  kVariable = 13,
  kString = 15,
  kObject = 19,
  kKey = 20,
  kStruct = 23
};

int Document_Symbol_Kind(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::Routine:
      return kFunction;
    case SymbolKind::Label:
      return kKey;
    case SymbolKind::Object:
      return kObject;
    case SymbolKind::Position:
      return kStruct;
    case SymbolKind::Variable:
      return kVariable;
    case SymbolKind::Text:
      return kString;
  }
  return kObject;
}

int Symbol_At(const AnalysedText& text, LspPosition position) {
  const auto [line, column] = text.index.Script_Place_Of(text.index.Offset_Of(position));
  return text.analysis.Symbol_At(line, column);
}

Json Location_Of(const AnalysedText& text, const std::string& uri, int line, int column, int length) {
  return {{"uri", uri}, {"range", Script_Range(text.index, line, column, length)}};
}

Json Symbol_Json(const AnalysedText& text, const ScriptSymbol& symbol) {
  const Json range = Script_Range(text.index, symbol.line, symbol.column, symbol.length);
  Json entry = {{"name", symbol.name},
                {"kind", Document_Symbol_Kind(symbol.kind)},
                {"range", range},
                {"selectionRange", range}};
  if (!symbol.detail.empty()) entry["detail"] = symbol.detail;
  return entry;
}

// A section or a routine: its header's "[" to the end of its last token.
struct Block {
  std::size_t start = 0, end = 0;
  const ScriptToken* name = nullptr;  // the section's word, the routine's name
  int routine = -1;                   // the routine's symbol
  std::optional<SymbolKind> holds;    // a data section: the kind of its symbols
};

std::optional<SymbolKind> Section_Kind(std::string_view word) {
  std::string lower(word);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower == "objects") return SymbolKind::Object;
  if (lower == "positions") return SymbolKind::Position;
  if (lower == "variables") return SymbolKind::Variable;
  if (lower == "text") return SymbolKind::Text;
  return std::nullopt;
}

std::vector<Block> Blocks_Of(const ScriptAnalysis& analysis) {
  std::vector<Block> blocks;
  const std::vector<ScriptToken>& tokens = analysis.tokens();
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    const ScriptToken& token = tokens[t];
    const bool header =
        token.token_class == TokenClass::SectionHeader || token.token_class == TokenClass::RoutineHeader;
    if (header && analysis.Text_Of(token) == "[") {
      blocks.push_back({token.offset, token.offset, nullptr, -1, std::nullopt});
      if (token.token_class == TokenClass::SectionHeader && t + 1 < tokens.size() &&
          tokens[t + 1].token_class == TokenClass::SectionHeader) {
        blocks.back().name = &tokens[t + 1];
        blocks.back().holds = Section_Kind(analysis.Text_Of(tokens[t + 1]));
      }
    } else if (!blocks.empty() && token.token_class == TokenClass::Routine && token.definition &&
               blocks.back().name == nullptr && !blocks.back().holds) {
      blocks.back().name = &token;
      blocks.back().routine = token.symbol;
    }
    if (!blocks.empty()) blocks.back().end = token.offset + static_cast<std::size_t>(token.length);
  }
  return blocks;
}

}  // namespace

Json Definition(const AnalysedText& text, const std::string& uri, LspPosition position) {
  const int symbol = Symbol_At(text, position);
  if (symbol < 0) return nullptr;
  const ScriptSymbol& found = text.analysis.symbols()[static_cast<std::size_t>(symbol)];
  return Location_Of(text, uri, found.line, found.column, found.length);
}

Json References(const AnalysedText& text, const std::string& uri, LspPosition position,
                bool include_declaration) {
  Json locations = Json::array();
  for (const int t : text.analysis.References_To(Symbol_At(text, position))) {
    const ScriptToken& token = text.analysis.tokens()[static_cast<std::size_t>(t)];
    if (include_declaration || !token.definition)
      locations.push_back(Location_Of(text, uri, token.line, token.column, token.length));
  }
  return locations;
}

Json Document_Symbols(const AnalysedText& text) {
  const std::vector<ScriptSymbol>& symbols = text.analysis.symbols();
  const std::vector<Block> blocks = Blocks_Of(text.analysis);
  std::vector<Json> children(blocks.size(), Json::array());
  for (const ScriptSymbol& symbol : symbols) {
    const std::size_t at = text.index.Offset_Of_Script(symbol.line, symbol.column);
    const auto after =
        std::upper_bound(blocks.begin(), blocks.end(), at,
                         [](std::size_t offset, const Block& block) { return offset < block.start; });
    if (after == blocks.begin()) continue;
    const Block& block = *(after - 1);
    if (at < block.end &&
        ((block.holds && symbol.kind == *block.holds) ||
         (block.routine >= 0 && symbol.kind == SymbolKind::Label && symbol.routine == block.routine)))
      children[static_cast<std::size_t>(after - blocks.begin()) - 1].push_back(Symbol_Json(text, symbol));
  }
  Json outline = Json::array();
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const Block& block = blocks[b];
    if (block.name == nullptr) continue;
    const ScriptToken& name = *block.name;
    Json entry =
        block.routine >= 0
            ? Symbol_Json(text, symbols[static_cast<std::size_t>(block.routine)])
            : Json{{"name", std::string(text.analysis.Text_Of(name))},
                   {"kind", kNamespace},
                   {"selectionRange", Script_Range(text.index, name.line, name.column, name.length)}};
    entry["range"] = Range_Of(text.index, block.start, block.end);
    entry["children"] = std::move(children[b]);
    outline.push_back(std::move(entry));
  }
  return outline;
}

}  // namespace kx::lsp
