#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace kx {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream that is closed when it goes out of scope.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// fopen of `path` with `mode`; empty (errno set) when it cannot be opened.
// The path is passed whole in the platform's own form, so that any name opens.
UniqueFile Open_File(const std::filesystem::path& path, const char* mode);

}  // namespace kx
