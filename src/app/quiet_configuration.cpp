#include "app/quiet_configuration.h"

#include <QFileInfo>
#include <memory>

#include "app/build_objects.h"
#include "app/program_files.h"
#include "config/template_config_parser.h"
#include "diagnostics/error_sink.h"
#include "vmobject/companion_files.h"

namespace kx {

QuietConfiguration::QuietConfiguration() {
  ErrorContext errors(kConfigurationLogWidth,
                      std::make_unique<ListSink>(true, [this](const std::string& entry) {
                        if (!failure.isEmpty()) failure += '\n';
                        failure += Decode_Entry(entry).trimmed();
                      }));
  ErrorContext notices(kConfigurationLogWidth, std::make_unique<ListSink>(false));
  TemplateConfigParser parser(errors, notices);
  try {
    parser.Read_Template_File(QFileInfo(GetProgramFilePath(kConfigurationFileName)).filesystemFilePath());
  } catch (const std::exception& error) {
    if (failure.isEmpty()) failure = QString::fromLocal8Bit(error.what());
    return;
  }
  if (parser.templates() != nullptr)
    for (const TemplateConfig& config : *parser.templates()) entries.push_back(config);
  directory = parser.directory();
}

}  // namespace kx
