#pragma once

#include <exception>

namespace kx {

// The one exception of the build pipeline. By the time it is thrown the
// diagnostic has already been delivered; it carries only the 1-based script
// line at which reading stopped, or 0 when the failure has no script line.
class BuildFailure : public std::exception {
 public:
  explicit BuildFailure(int line) : line_(line) {}
  int line() const { return line_; }
  const char* what() const noexcept override { return "build failure"; }

 private:
  int line_;
};

}  // namespace kx
