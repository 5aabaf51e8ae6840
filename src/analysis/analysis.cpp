#include "analysis/analysis.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "analysis/build_check.h"
#include "analysis/script_lexing.h"
#include "analysis/script_walker.h"
#include "diagnostics/error_context.h"

namespace kx {

ScriptAnalysis Analyse_Script(std::string_view text, const TemplateConfig& config, const std::string& name) {
  ScriptAnalysis analysis;
  ScriptAnalysisData& data = analysis.data_;
  data.text = std::string(text);
  const LineMap lines(data.text);
  for (int line = 1; line <= lines.line_count(); ++line)
    analysis.line_starts_.push_back(lines.Line_Start(line));

  ErrorContext errors(0, std::make_unique<ListSink>(true));
  const VMOpcode catalogue(errors);
  Walk_Script(data, Lex_Script(data.text, catalogue));
  data.error = Check_Build(data.text, config, name, lines, data);
  Add_Unused_Warnings(data);
  return analysis;
}

const char* Symbol_Kind_Word(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::Routine:
      return "routine";
    case SymbolKind::Label:
      return "label";
    case SymbolKind::Object:
      return "object";
    case SymbolKind::Position:
      return "position";
    case SymbolKind::Variable:
      return "variable";
    case SymbolKind::Text:
      return "text";
  }
  return "";
}

std::optional<SymbolKind> Symbol_Kind_For(OperandKind kind) {
  switch (kind) {
    case OperandKind::Object:
      return SymbolKind::Object;
    case OperandKind::TextName:
      return SymbolKind::Text;
    case OperandKind::Variable:
      return SymbolKind::Variable;
    case OperandKind::Routine:
      return SymbolKind::Routine;
    case OperandKind::Position:
      return SymbolKind::Position;
    case OperandKind::Label:
      return SymbolKind::Label;
    case OperandKind::String:
    case OperandKind::Integer:
    case OperandKind::Boolean:
    case OperandKind::Number:
    case OperandKind::Color:
      break;
  }
  return std::nullopt;
}

std::vector<const char*> Constant_Words_For(OperandKind kind) {
  if (kind == OperandKind::Boolean || kind == OperandKind::Number) return {"true", "false"};
  if (kind == OperandKind::Color) return {"white", "green", "red"};
  return {};
}

TemplateConfig Unlimited_Template() {
  TemplateConfig config;
  config.name = "unlimited";
  config.max_routine_count = INT_MAX;
  config.max_object_count = INT_MAX;
  config.name_array_rows = INT_MAX;
  config.name_array_cols = INT_MAX;
  config.objective_array_rows = INT_MAX;
  config.objective_array_cols = INT_MAX;
  config.step_data_array_rows = INT_MAX;
  config.position_array_rows = INT_MAX;
  config.integer_array_rows = INT_MAX;
  return config;
}

std::size_t ScriptAnalysis::Offset_Of(int line, int column) const {
  if (line < 1 || line > static_cast<int>(line_starts_.size())) return std::string::npos;
  const std::size_t start = line_starts_[static_cast<std::size_t>(line - 1)];
  const std::size_t end = line < static_cast<int>(line_starts_.size())
                              ? line_starts_[static_cast<std::size_t>(line)]
                              : data_.text.size();
  return std::min(start + static_cast<std::size_t>(std::max(column, 1) - 1), end);
}

int ScriptAnalysis::Token_At(int line, int column) const {
  const std::size_t place = Offset_Of(line, column);
  if (place == std::string::npos) return -1;
  const auto after =
      std::upper_bound(data_.tokens.begin(), data_.tokens.end(), place,
                       [](std::size_t offset, const ScriptToken& token) { return offset < token.offset; });
  if (after == data_.tokens.begin()) return -1;
  const ScriptToken& token = *(after - 1);
  if (place > token.offset + static_cast<std::size_t>(token.length)) return -1;
  return static_cast<int>(after - data_.tokens.begin()) - 1;
}

PositionContext ScriptAnalysis::Context_At(int line, int column) const {
  PositionContext context;
  const std::size_t place = Offset_Of(line, column);
  if (place == std::string::npos) return context;
  // The last token that starts before the caret, comments aside; a caret in a comment is elsewhere.
  auto after =
      std::lower_bound(data_.tokens.begin(), data_.tokens.end(), place,
                       [](const ScriptToken& token, std::size_t offset) { return token.offset < offset; });
  int t = static_cast<int>(after - data_.tokens.begin()) - 1;
  if (t >= 0 && data_.tokens[static_cast<std::size_t>(t)].token_class == TokenClass::Comment &&
      place <= data_.tokens[static_cast<std::size_t>(t)].offset +
                   static_cast<std::size_t>(data_.tokens[static_cast<std::size_t>(t)].length))
    return context;
  while (t >= 0 && data_.tokens[static_cast<std::size_t>(t)].token_class == TokenClass::Comment) --t;
  if (t < 0) return context;
  const std::size_t index = static_cast<std::size_t>(t);
  const ScriptToken& token = data_.tokens[index];
  context.routine = data_.token_routines[index];
  if (context.routine < 0) return context;
  const bool inside = place <= token.offset + static_cast<std::size_t>(token.length);
  context.token = inside ? t : -1;
  const int step = data_.token_steps[index];
  const int slot = data_.token_slots[index];
  context.where = PositionContext::Where::StepStart;
  if (step < 0) return context;
  const ScriptAnalysisData::Step& record = data_.steps[static_cast<std::size_t>(step)];
  const OpcodeDefinition& operation = kOpcodeTable[static_cast<std::size_t>(record.operation)];
  const bool comma = token.token_class == TokenClass::Punctuation;
  if (slot >= 0 && (comma || inside)) {
    context.where = PositionContext::Where::Operand;
    context.operation = &operation;
    context.slot = slot;
    context.expected = Decode_Operand_Type(operation.operand_types[static_cast<std::size_t>(slot)]);
    context.label_routine = record.label_routines[static_cast<std::size_t>(slot)];
    if (comma) context.token = -1;
  } else if (slot < 0 && inside) {
    context.where = PositionContext::Where::Operation;
    context.operation = &operation;
  }
  return context;
}

int ScriptAnalysis::Symbol_At(int line, int column) const {
  const int t = Token_At(line, column);
  return t < 0 ? -1 : data_.tokens[static_cast<std::size_t>(t)].symbol;
}

std::vector<int> ScriptAnalysis::References_To(int symbol) const {
  std::vector<int> references;
  if (symbol < 0) return references;
  for (std::size_t t = 0; t < data_.tokens.size(); ++t)
    if (data_.tokens[t].symbol == symbol) references.push_back(static_cast<int>(t));
  return references;
}

}  // namespace kx
