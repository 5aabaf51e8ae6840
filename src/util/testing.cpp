#include "util/testing.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kx::testing {

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    path_ = std::filesystem::temp_directory_path() / ("kestrix-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& content) const {
  std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary);
  out << content;
  return file;
}

std::string Read_File(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace kx::testing
