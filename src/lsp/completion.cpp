#include <algorithm>
#include <memory>

#include "diagnostics/error_context.h"
#include "lsp/features.h"

namespace kx::lsp {
namespace {

using Json = nlohmann::json;

// CompletionItemKind values.
enum : int {
  kItemText = 1,
  kItemFunction = 3,
  kItemVariable = 6,
  kItemClass = 7,
  kItemKeyword = 14,
  kItemReference = 18,
  kItemEnumMember = 20,
  kItemConstant = 21,
  kItemStruct = 22,
};

int Item_Kind(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::Routine:
      return kItemFunction;
    case SymbolKind::Label:
      return kItemReference;
    case SymbolKind::Object:
      return kItemClass;
    case SymbolKind::Position:
      return kItemStruct;
    case SymbolKind::Variable:
      return kItemVariable;
    case SymbolKind::Text:
      return kItemText;
  }
  return kItemText;
}

// The synopsis of an operation, from a catalogue made once.
std::string Synopsis(const char* operation) {
  static ErrorContext errors(0, std::make_unique<ListSink>(true));
  static VMOpcode catalogue(errors);
  return catalogue.Synopsis(operation);
}

// Every operation, in name order, with its synopsis; made once.
const Json& Operation_Items() {
  static const Json items = [] {
    std::vector<const char*> names;
    for (const OpcodeDefinition& operation : kOpcodeTable) names.push_back(operation.name);
    std::sort(names.begin(), names.end(),
              [](const char* a, const char* b) { return std::string_view(a) < b; });
    Json list = Json::array();
    for (const char* name : names)
      list.push_back({{"label", name}, {"kind", kItemKeyword}, {"detail", Synopsis(name)}});
    return list;
  }();
  return items;
}

std::pair<int, int> Script_Place(const AnalysedText& text, LspPosition position) {
  return text.index.Script_Place_Of(text.index.Offset_Of(position));
}

}  // namespace

Json Completion(const AnalysedText& text, LspPosition position) {
  const auto [line, column] = Script_Place(text, position);
  const PositionContext context = text.analysis.Context_At(line, column);
  using enum PositionContext::Where;
  if (context.where == StepStart || context.where == Operation) return Operation_Items();
  Json items = Json::array();
  if (context.where != Operand || !context.expected) return items;
  const OperandKind kind = context.expected->kind;
  for (const char* word : Constant_Words_For(kind))
    items.push_back(
        {{"label", word}, {"kind", kind == OperandKind::Color ? kItemEnumMember : kItemConstant}});
  const std::optional<SymbolKind> symbols = Symbol_Kind_For(kind);
  if (!symbols) return items;
  for (const ScriptSymbol& symbol : text.analysis.symbols()) {
    if (symbol.kind != *symbols || (kind == OperandKind::Label && symbol.routine != context.label_routine))
      continue;
    const std::string detail =
        Symbol_Kind_Word(symbol.kind) + (symbol.detail.empty() ? "" : " " + symbol.detail);
    items.push_back({{"label", symbol.name}, {"kind", Item_Kind(symbol.kind)}, {"detail", detail}});
  }
  return items;
}

Json Hover(const AnalysedText& text, LspPosition position) {
  const auto [line, column] = Script_Place(text, position);
  const int t = text.analysis.Token_At(line, column);
  if (t < 0) return nullptr;
  const ScriptToken& token = text.analysis.tokens()[static_cast<std::size_t>(t)];
  std::string value;
  if (token.token_class == TokenClass::Operation) {
    // Inside the name, so that the context is the name's own.
    const PositionContext context = text.analysis.Context_At(token.line, token.column + 1);
    if (context.operation != nullptr) value = Synopsis(context.operation->name);
  } else if (token.symbol >= 0) {
    const std::vector<ScriptSymbol>& symbols = text.analysis.symbols();
    const ScriptSymbol& symbol = symbols[static_cast<std::size_t>(token.symbol)];
    value = std::string(Symbol_Kind_Word(symbol.kind)) + " " + symbol.name;
    if (symbol.kind == SymbolKind::Label && symbol.routine >= 0)
      value += " of routine " + symbols[static_cast<std::size_t>(symbol.routine)].name;
    value += ", line " + std::to_string(symbol.line);
    if (!symbol.detail.empty()) value += ": " + symbol.detail;
  }
  if (value.empty()) return nullptr;
  return {{"contents", {{"kind", "plaintext"}, {"value", value}}},
          {"range", Script_Range(text.index, token.line, token.column, token.length)}};
}

}  // namespace kx::lsp
