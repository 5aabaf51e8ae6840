#include "util/testing.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kx::testing {

TempDir::TempDir() {
  std::random_device random;
  do path_ = std::filesystem::temp_directory_path() / ("kestrix-test-" + std::to_string(random()));
  while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& content) const {
  std::ofstream(path_ / name, std::ios::binary) << content;
  return path_ / name;
}

std::string Read_File(const std::filesystem::path& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

}  // namespace kx::testing
