#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

namespace kx::fuzz {

const testing::TempDir& Work_Folder() {
  static const testing::TempDir folder;
  return folder;
}

std::string Write(const std::string& name, std::string_view bytes) {
  return Work_Folder().Write(name, std::string(bytes)).string();
}

std::string Write_Template(const std::string& name, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  return Write(name, bytes);
}

bool Temporaries_Left() {
  for (const auto& entry : std::filesystem::directory_iterator(Work_Folder().path()))
    if (entry.path().filename().string().rfind(".kestrix-", 0) == 0) return true;
  return false;
}

void Finding(const std::string& what) {
  std::fprintf(stderr, "\n==== FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

CheckedContext::CheckedContext(bool ends_build, int width)
    : context(width, std::make_unique<ListSink>(ends_build, [this, width](const std::string& entry) {
                ++entries;
                if (width >= 1 && entry.size() > static_cast<std::size_t>(width))
                  Finding("a diagnostic line of " + std::to_string(entry.size()) + " characters at width " +
                          std::to_string(width) + ": [" + entry + "]");
              })) {}

}  // namespace kx::fuzz
