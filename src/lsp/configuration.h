#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "config/template_config.h"
#include "lsp/message_stream.h"

namespace kx::lsp {

// What the client may choose: the configuration file and its template entry.
struct Settings {
  std::optional<std::string> config;         // default: Kestrix.conf among the companion files
  std::optional<std::string> template_name;  // default: the configuration's first entry
};

// Takes "config" and "template" from an object: a string sets a setting, a
// null returns it to its default; a setting left out, or of another type,
// stays as it was.
void Read_Settings(const nlohmann::json& object, Settings& settings);

// The template entry the settings choose, read as kestrixc reads it. When
// the configuration cannot be read or has no such entry, it says so in the
// log and gives Unlimited_Template().
TemplateConfig Load_Template(const Settings& settings, const std::filesystem::path& program_directory,
                             const Log& log);

}  // namespace kx::lsp
