#pragma once

#include <memory>
#include <string>

#include "diagnostics/build_failure.h"
#include "diagnostics/error_sink.h"

namespace kx {

// The widths at which the two kinds of log are wrapped: the build log (the
// build dialog's list, kestrixc's standard output) and the configuration log
// (Kestrix.log, kestrixc's standard error).
inline constexpr int kBuildLogWidth = 94;
inline constexpr int kConfigurationLogWidth = 79;

// Where a failure is raised: the raising module of this program and the
// source line of the call, which a conversion from the module's name records.
// (The line comes from the compiler's builtin rather than std::source_location,
// which the clang of the fuzz build cannot compile with this standard library.)
struct RaiseSite {
  RaiseSite(const char* module, int line = __builtin_LINE()) : module(module), line(line) {}
  const char* module;
  int line;
};

// Formats a diagnostic, wraps it at the context's width and hands it to the
// context's sink. Every composed text is cut at kDiagnosticSize characters.
//
// Raise and Raise_System are for failures: they never return (when the sink
// does not end the operation itself, they throw BuildFailure with line 0).
// Report delivers a plain message, for notices and for texts that are laid
// out already; a finished text is passed as the argument of a "%s" format,
// never as the format itself.
class ErrorContext {
 public:
  static constexpr std::size_t kDiagnosticSize = 4000;

  ErrorContext(int width, std::unique_ptr<ErrorSink> sink) : width_(width), sink_(std::move(sink)) {}

  ErrorContext(const ErrorContext&) = delete;
  ErrorContext& operator=(const ErrorContext&) = delete;

  // The source line and file of the code that raises next.
  void Set_Location(int line, const char* file) {
    line_ = line;
    file_ = file;
  }

  [[noreturn]] void Raise(const char* routine, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Set_Location at `site`, then Raise: errors.Raise_At(kModule, "Routine", "Message.").
  [[noreturn]] void Raise_At(RaiseSite site, const char* routine, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // `call_format` names the failed library call, with its arguments when it has any.
  [[noreturn]] void Raise_System(const char* call_format, ...) __attribute__((format(printf, 2, 3)));
  // Set_Location at `site`, then Raise_System.
  [[noreturn]] void Raise_System_At(RaiseSite site, const char* call_format, ...)
      __attribute__((format(printf, 3, 4)));
  void Report(const char* format, ...) __attribute__((format(printf, 2, 3)));

  int width() const { return width_; }
  int line() const { return line_; }
  const char* file() const { return file_; }
  ErrorSink& sink() { return *sink_; }

 private:
  void Deliver(const std::string& composed);

  int width_;
  int line_ = 0;
  const char* file_ = "";
  std::unique_ptr<ErrorSink> sink_;
};

}  // namespace kx
