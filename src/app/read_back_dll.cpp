#include "app/read_back_dll.h"

#include <QDir>
#include <QFileInfo>

#include "app/build_objects.h"
#include "app/kestrix_view.h"
#include "app/prompts.h"
#include "app/quiet_configuration.h"
#include "vmcode/decompile.h"

namespace kx {

bool Is_Dll_Name(const QString& path) { return path.endsWith(".dll", Qt::CaseInsensitive); }

std::optional<ReadBackScript> Read_Back_Dll(QWidget* parent, const QString& path) {
  const QString name = QDir::toNativeSeparators(path);
  const QuietConfiguration configuration;
  if (configuration.entries.empty()) {
    const QString reason = configuration.failure.isEmpty() ? QString("Kestrix.conf holds no template entry.")
                                                           : configuration.failure;
    Message_Box(parent, QMessageBox::Warning, QString("Cannot read back %1:\n%2").arg(name, reason));
    return std::nullopt;
  }
  QStringList names;
  for (const TemplateConfig& entry : configuration.entries) names << Decode_Entry(entry.name);
  const int chosen = Current_Prompts().template_entry(parent, names);
  if (chosen < 0 || chosen >= static_cast<int>(configuration.entries.size())) return std::nullopt;

  ReadBackScript script{QByteArray(), configuration.entries[chosen]};
  try {
    const std::string text =
        Decompile_File(QFileInfo(path).filesystemFilePath(), script.entry, configuration.directory);
    if (text.size() > static_cast<size_t>(CKestrixView::kMaxTextSize)) {
      Message_Box(parent, QMessageBox::Warning,
                  QString("The script read back from %1 is too large to open.").arg(name));
      return std::nullopt;
    }
    script.text = QByteArray::fromStdString(text);
  } catch (const DecompileError& error) {
    Message_Box(parent, QMessageBox::Warning, Decode_Entry(error.what()));
    return std::nullopt;
  } catch (const std::exception& error) {  // memory, the file system library
    Message_Box(parent, QMessageBox::Warning,
                QString("Cannot read back %1:\n%2").arg(name, QString::fromLocal8Bit(error.what())));
    return std::nullopt;
  }
  return script;
}

}  // namespace kx
