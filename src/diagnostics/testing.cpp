#include "diagnostics/testing.h"

#include <gtest/gtest.h>

#include "diagnostics/build_failure.h"

namespace kx::testing {

CapturedContext::CapturedContext(bool ends_build, int width)
    : context(width, std::make_unique<ListSink>(
                         ends_build, [this](const std::string& entry) { entries.push_back(entry); })) {}

std::string CapturedContext::Text() const {
  std::string text;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) text += '\n';
    text += entries[i];
  }
  return text;
}

std::string CapturedContext::Failure(const std::function<void()>& action) {
  entries.clear();
  try {
    action();
    ADD_FAILURE() << "no BuildFailure";
  } catch (const BuildFailure& failure) {
    EXPECT_EQ(failure.line(), 0);
  }
  return Text();
}

}  // namespace kx::testing
