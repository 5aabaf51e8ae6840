#include "app/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include "vmobject/companion_files.h"

namespace kx {
namespace {

QString& Directory_Override() {
  static QString folder;
  return folder;
}

QString With_Separator(const QString& folder) {
  QString path = QDir::cleanPath(folder);
  return path.endsWith('/') ? path : path + '/';
}

}  // namespace

QString GetProgramDirectory() {
  if (!Directory_Override().isEmpty()) return With_Separator(Directory_Override());
  const std::filesystem::path own = QFileInfo(QCoreApplication::applicationDirPath()).filesystemFilePath();
  return With_Separator(QFileInfo(Companion_Directory(own)).filePath());
}

QString GetProgramFilePath(const QString& name) { return GetProgramDirectory() + name; }

QString Log_File_Path() {
  const QString folder = GetProgramDirectory();
  if (QFileInfo(folder).isWritable()) return folder + "Kestrix.log";
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  QDir().mkpath(data);
  return With_Separator(data) + "Kestrix.log";
}

void Set_Program_Directory(const QString& folder) { Directory_Override() = folder; }

}  // namespace kx
