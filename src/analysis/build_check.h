#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "analysis/analysis.h"
#include "analysis/script_lexing.h"

namespace kx {

// Reads the text with the build's script reader and compiles it with the
// build's code generator, writing nothing; the failure they report, placed
// at byte positions (a generator failure at the name it could not resolve,
// found among the tokens of `data`), or none when the script would build.
std::optional<ScriptDiagnostic> Check_Build(std::string_view text, const TemplateConfig& config,
                                            const std::string& name, const LineMap& lines,
                                            const ScriptAnalysisData& data);

}  // namespace kx
