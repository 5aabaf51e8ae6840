#include "diagnostics/error_context.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "util/format.h"
#include "diagnostics/text_layout.h"

namespace kx {

void ErrorContext::Raise(const char* routine, const char* format, ...) {
  std::string text;
  Append_Bounded(text, kDiagnosticSize, "File    : %s\n", file_);
  Append_Bounded(text, kDiagnosticSize, "Line    : %d\n", line_);
  Append_Bounded(text, kDiagnosticSize, "Routine : %s\n\n", routine);
  std::va_list args;
  va_start(args, format);
  Append_VBounded(text, kDiagnosticSize, format, args);
  va_end(args);
  Deliver(text);
  throw BuildFailure(0);
}

void ErrorContext::Raise_System(const char* call_format, ...) {
  const int error_code = errno;
  std::string text;
  Append_Bounded(text, kDiagnosticSize, "File       : %s\n", file_);
  Append_Bounded(text, kDiagnosticSize, "Line       : %d\n", line_);
  Append_Bounded(text, kDiagnosticSize, "Error code : %d\n", error_code);
  Append_Bounded(text, kDiagnosticSize, "Error text : %s\n", std::strerror(error_code));
  Append_Bounded(text, kDiagnosticSize, "Subroutine : ");
  std::va_list args;
  va_start(args, call_format);
  Append_VBounded(text, kDiagnosticSize, call_format, args);
  va_end(args);
  Deliver(text);
  throw BuildFailure(0);
}

void ErrorContext::Report(const char* format, ...) {
  std::string text;
  std::va_list args;
  va_start(args, format);
  Append_VBounded(text, kDiagnosticSize, format, args);
  va_end(args);
  Deliver(text);
}

void ErrorContext::Deliver(const std::string& composed) {
  std::string wrapped = Wrap_Words(composed, width_);
  if (wrapped.size() > kDiagnosticSize) wrapped.resize(kDiagnosticSize);
  sink_->Deliver(wrapped);
}

}  // namespace kx
