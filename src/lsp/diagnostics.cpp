#include "lsp/features.h"

namespace kx::lsp {

nlohmann::json Range_Of(const TextIndex& index, std::size_t from, std::size_t to) {
  const LspPosition start = index.Position_Of(from);
  const LspPosition end = index.Position_Of(to);
  return {{"start", {{"line", start.line}, {"character", start.character}}},
          {"end", {{"line", end.line}, {"character", end.character}}}};
}

nlohmann::json Script_Range(const TextIndex& index, int line, int column, int length) {
  return Range_Of(index, index.Offset_Of_Script(line, column), index.Offset_Of_Script(line, column + length));
}

nlohmann::json Diagnostics(const AnalysedText& text) {
  nlohmann::json diagnostics = nlohmann::json::array();
  const auto add = [&](const ScriptDiagnostic& diagnostic) {
    diagnostics.push_back({{"range", diagnostic.line > 0 ? Script_Range(text.index, diagnostic.line,
                                                                        diagnostic.column, diagnostic.length)
                                                         : Range_Of(text.index, 0, 0)},
                           {"severity", diagnostic.severity == DiagnosticSeverity::Error ? 1 : 2},
                           {"source", "kestrix"},
                           {"message", diagnostic.message}});
  };
  if (text.analysis.error()) add(*text.analysis.error());
  for (const ScriptDiagnostic& warning : text.analysis.warnings()) add(warning);
  return diagnostics;
}

}  // namespace kx::lsp
