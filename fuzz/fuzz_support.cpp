#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "diagnostics/error_context.h"

namespace kx::fuzz {
namespace {

std::filesystem::path Make_Work_Folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrix-fuzz-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  return name.data();
}

void Remove_Work_Folder() {
  std::error_code ignored;
  std::filesystem::remove_all(Work_Folder(), ignored);
}

}  // namespace

const std::filesystem::path& Work_Folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path made = Make_Work_Folder();
    std::atexit(Remove_Work_Folder);
    return made;
  }();
  return folder;
}

std::string Write_File(const std::string& name, std::string_view bytes) {
  const std::filesystem::path path = Work_Folder() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Finding("cannot write " + path.string());
  return path.string();
}

std::string Write_Input(const std::string& name, const std::uint8_t* data, std::size_t size) {
  return Write_File(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

std::string Read_File(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Temporaries_Left(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().rfind(".kestrix-", 0) == 0) return true;
  return false;
}

void Finding(const std::string& what) {
  std::fprintf(stderr, "\n==== FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void CheckedSink::Check(const std::string& entry) {
  ++entries_;
  if (width_ >= 1 && entry.size() > static_cast<std::size_t>(width_))
    Finding("a diagnostic line of " + std::to_string(entry.size()) + " characters at width " +
            std::to_string(width_) + ": [" + entry + "]");
}

CheckedContext::CheckedContext(bool ends_build, int width) {
  auto owned = std::make_unique<CheckedSink>(ends_build, width);
  sink = owned.get();
  context = std::make_unique<ErrorContext>(width, std::move(owned));
}

}  // namespace kx::fuzz
