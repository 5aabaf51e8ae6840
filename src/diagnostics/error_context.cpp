#include "diagnostics/error_context.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "diagnostics/text_layout.h"
#include "util/format.h"

namespace kx {

namespace {

std::string Compose_Raise(const char* file, int line, const char* routine, const char* format,
                          std::va_list args) {
  std::string text;
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "File    : %s\n", file);
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Line    : %d\n", line);
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Routine : %s\n\n", routine);
  Append_VBounded(text, ErrorContext::kDiagnosticSize, format, args);
  return text;
}

std::string Compose_Raise_System(const char* file, int line, const char* call_format, std::va_list args) {
  const int error_code = errno;
  std::string text;
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "File       : %s\n", file);
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Line       : %d\n", line);
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Error code : %d\n", error_code);
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Error text : %s\n", std::strerror(error_code));
  Append_Bounded(text, ErrorContext::kDiagnosticSize, "Subroutine : ");
  Append_VBounded(text, ErrorContext::kDiagnosticSize, call_format, args);
  return text;
}

}  // namespace

void ErrorContext::Raise(const char* routine, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  const std::string text = Compose_Raise(file_, line_, routine, format, args);
  va_end(args);
  Deliver(text);
  throw BuildFailure(0);
}

void ErrorContext::Raise_At(RaiseSite site, const char* routine, const char* format, ...) {
  Set_Location(site.line, site.module);
  std::va_list args;
  va_start(args, format);
  const std::string text = Compose_Raise(file_, line_, routine, format, args);
  va_end(args);
  Deliver(text);
  throw BuildFailure(0);
}

void ErrorContext::Raise_System(const char* call_format, ...) {
  std::va_list args;
  va_start(args, call_format);
  const std::string text = Compose_Raise_System(file_, line_, call_format, args);
  va_end(args);
  Deliver(text);
  throw BuildFailure(0);
}

void ErrorContext::Raise_System_At(RaiseSite site, const char* call_format, ...) {
  Set_Location(site.line, site.module);
  std::va_list args;
  va_start(args, call_format);
  const std::string text = Compose_Raise_System(file_, line_, call_format, args);
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
