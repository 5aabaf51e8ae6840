#include "analysis/build_check.h"

#include <memory>
#include <vector>

#include "diagnostics/error_context.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"

namespace kx {
namespace {

// The message of a diagnostic as the build delivers it, unwrapped: the
// first line of a positioned listing or of a report, the text after the
// header of a raise.
std::string Message_Of(const std::vector<std::string>& entries) {
  if (entries.empty()) return {};
  if (entries[0].rfind("File ", 0) != 0) return entries[0];
  std::string message;
  std::size_t i = 0;
  while (i < entries.size() && !entries[i].empty()) ++i;
  for (++i; i < entries.size(); ++i) message += (message.empty() ? "" : " ") + entries[i];
  return message;
}

// The first quoted name of a message.
std::string_view Quoted_Name(std::string_view message) {
  const std::size_t open = message.find('\'');
  const std::size_t close = open == std::string_view::npos ? open : message.find('\'', open + 1);
  if (close == std::string_view::npos) return {};
  return message.substr(open + 1, close - open - 1);
}

}  // namespace

std::optional<ScriptDiagnostic> Check_Build(std::string_view text, const TemplateConfig& config,
                                            const std::string& name, const LineMap& lines,
                                            const ScriptAnalysisData& data) {
  std::vector<std::string> entries;
  // Width 0: the message arrives on one line, as long as it is.
  ErrorContext errors(0, std::make_unique<ListSink>(true, [&entries](const std::string& entry) {
                        entries.push_back(entry);
                      }));
  ErrorContext notices(0, std::make_unique<ListSink>(false));
  VMOpcode catalogue(errors);
  VMAsm reader(errors, notices, catalogue);
  VMCode generator(errors, catalogue);
  try {
    reader.Read_Script_Text(name, text, config);
    generator.Generate_Routines(reader);
    return std::nullopt;
  } catch (const BuildFailure& failure) {
    ScriptDiagnostic diagnostic;
    diagnostic.message = Message_Of(entries);
    const Lexan::Span& span = reader.failure_span();
    if (span.line > 0) {
      diagnostic.line = span.line;
      diagnostic.column = lines.Byte_Column(span.line, std::max(span.first_column, 1));
      const int end = lines.Byte_Column(span.line, std::max(span.last_column, span.first_column) + 1);
      diagnostic.length = std::max(end - diagnostic.column, 1);
    } else if (failure.line() > 0) {
      // The generator names the routine or label it could not find on the step's line.
      diagnostic.line = failure.line();
      diagnostic.column = 1;
      diagnostic.length = static_cast<int>(lines.Line_Text(failure.line()).size());
      const std::string_view missing = Quoted_Name(diagnostic.message);
      for (const ScriptToken& token : data.tokens) {
        if (token.line != failure.line() || token.definition ||
            (token.token_class != TokenClass::Label && token.token_class != TokenClass::Routine) ||
            std::string_view(data.text).substr(token.offset, static_cast<std::size_t>(token.length)) != missing)
          continue;
        diagnostic.column = token.column;
        diagnostic.length = token.length;
        break;
      }
    }
    return diagnostic;
  }
}

}  // namespace kx
