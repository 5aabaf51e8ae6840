#include "diagnostics/testing.h"

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

}  // namespace kx::testing
