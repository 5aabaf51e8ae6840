#include "diagnostics/error_sink.h"

#include <cstdio>
#include <memory>

#include "diagnostics/build_failure.h"
#include "util/unique_file.h"

namespace kx {

std::vector<std::string> Split_Entries(const std::string& text) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      if (start < text.size() || text.empty()) entries.push_back(text.substr(start));
      break;
    }
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

void ListSink::Deliver(const std::string& text) {
  if (receiver_)
    for (const std::string& entry : Split_Entries(text)) receiver_(entry);
  if (ends_build_) throw BuildFailure(0);
}

void LogFileSink::Deliver(const std::string& text) {
  UniqueFile file = Open_File(path_, "ab");
  if (file) std::fwrite(text.data(), 1, text.size(), file.get());
  file.reset();
  if (ends_build_) throw BuildFailure(0);
}

}  // namespace kx
