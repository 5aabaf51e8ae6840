#pragma once

#include <QString>
#include <filesystem>
#include <vector>

#include "config/template_config.h"

namespace kx {

// Kestrix.conf read for the editor's own use, without writing to Kestrix.log
// (that log belongs to the build dialog): its entries and the folder in which
// their template DLLs are found, or the first reason it cannot be read.
struct QuietConfiguration {
  QuietConfiguration();

  std::vector<TemplateConfig> entries;
  std::filesystem::path directory;
  QString failure;  // empty when it was read
};

}  // namespace kx
