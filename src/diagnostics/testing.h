#pragma once

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
};

}  // namespace kx::testing
