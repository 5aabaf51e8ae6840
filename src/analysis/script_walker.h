#pragma once

#include <vector>

#include "analysis/analysis.h"
#include "analysis/script_lexing.h"

namespace kx {

// Classes the tokens of `lexed` into `data` (whose text is set) and finds
// the symbols, the steps and what each name refers to.
void Walk_Script(ScriptAnalysisData& data, const std::vector<LexedToken>& lexed);

// A warning for every label and data symbol that nothing names.
void Add_Unused_Warnings(ScriptAnalysisData& data);

}  // namespace kx
