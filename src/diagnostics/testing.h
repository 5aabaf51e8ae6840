#pragma once

#include <functional>
#include <string>
#include <vector>

#include "diagnostics/error_context.h"
#include "util/testing.h"

namespace kx::testing {

// An error context whose list sink collects the entries it is given.
struct CapturedContext {
  explicit CapturedContext(bool ends_build, int width = 94);
  std::vector<std::string> entries;
  ErrorContext context;
  // The entries joined with line feeds.
  std::string Text() const;
  // The text that `action` delivers, which must end the operation with BuildFailure(0).
  std::string Failure(const std::function<void()>& action);
};

}  // namespace kx::testing
