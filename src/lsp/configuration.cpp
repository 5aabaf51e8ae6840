#include "lsp/configuration.h"

#include <memory>

#include "analysis/analysis.h"
#include "config/template_config_parser.h"
#include "diagnostics/error_context.h"
#include "vmobject/companion_files.h"

namespace kx::lsp {
namespace {

void Read_Setting(const nlohmann::json& object, const char* name, std::optional<std::string>& setting) {
  if (!object.is_object() || !object.contains(name)) return;
  const nlohmann::json& value = object[name];
  if (value.is_string())
    setting = value.get<std::string>();
  else if (value.is_null())
    setting.reset();
}

}  // namespace

void Read_Settings(const nlohmann::json& object, Settings& settings) {
  Read_Setting(object, "config", settings.config);
  Read_Setting(object, "template", settings.template_name);
}

TemplateConfig Load_Template(const Settings& settings, const std::filesystem::path& program_directory,
                             const Log& log) {
  // The configuration's diagnostics go to the log as kestrixc prints them.
  ErrorContext errors(kConfigurationLogWidth, std::make_unique<ListSink>(true, log));
  ErrorContext notices(kConfigurationLogWidth, std::make_unique<ListSink>(false));
  TemplateConfigParser parser(errors, notices);
  const std::string path =
      settings.config.value_or((Companion_Directory(program_directory) / kConfigurationFileName).string());
  try {
    parser.Read_Template_File(path);
  } catch (const BuildFailure&) {
    log("kestrix-lsp: cannot read the configuration " + path + "; scripts are checked without limits");
    return Unlimited_Template();
  }
  const TemplateList& entries = *parser.templates();
  const TemplateConfig* entry =
      settings.template_name ? entries.Find_By_Name(*settings.template_name) : entries.First();
  if (entry == nullptr) {
    log("kestrix-lsp: " + path + " has no template entry" +
        (settings.template_name ? " named '" + *settings.template_name + "'" : std::string()) +
        "; scripts are checked without limits");
    return Unlimited_Template();
  }
  return *entry;
}

}  // namespace kx::lsp
