#pragma once

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/main_frame.h"
#include "app/program_files.h"
#include "app/prompts.h"

namespace kx::testing {

// Answers every prompt without a window and records the messages shown.
struct ScriptedPrompts {
  ScriptedPrompts() {
    Current_Prompts().message = [this](QWidget*, QMessageBox::Icon, const QString& text,
                                       QMessageBox::StandardButtons) {
      messages << text;
      return answer;
    };
    Current_Prompts().save_path = [](QWidget*, const QString&) { return QString(); };  // cancelled
    Current_Prompts().template_entry = [this](QWidget*, const QStringList& names) {
      entries_offered = names;
      return entry;
    };
  }
  ~ScriptedPrompts() { Current_Prompts() = Standard_Prompts(); }
  QStringList messages;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  QStringList entries_offered;
  int entry = 0;
};

inline QByteArray Read_File(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString Write_File(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return path;
}

// Templates B and A on "blank.dll" of kBlankSize bytes.
inline constexpr int kBlankSize = 0x900;
inline const QByteArray kEntry =
    "\" { dll blank \"blank.dll\"; max routine count 8; max object count 16; step data array offset 0x100,\n"
    "rows 64; routine count offset 0x380; position array offset 0x400, rows 8; name array offset 0x500,\n"
    "rows 8, cols 32; routine speed array offset 0x600; integer array offset 0x640, rows 8; routine\n"
    "priority array offset 0x680; routine offset array offset 0x6a0; objective array offset 0x700,\n"
    "rows 4, cols 64; routine debug array offset 0x800; }\n";
inline const QByteArray kConfiguration =
    "template list {\ntemplate entry \"B" + kEntry + "template entry \"A" + kEntry + "}\n";

// A main window shown on private settings and a companion folder that holds
// Kestrix.conf, blank.dll and operations.htm.
struct FrameFixture {
  FrameFixture() {
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, settings.path());
    Set_Program_Directory(folder.path());
    Write("Kestrix.conf", kConfiguration);
    Write("blank.dll", QByteArray(kBlankSize, '\xcc'));
    QFile::copy(KX_OPERATIONS_PAGE, Path("operations.htm"));
    frame = std::make_unique<CMainFrame>();
    frame->show();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
  }
  ~FrameFixture() { Set_Program_Directory(QString()); }
  QString Path(const QString& name) const { return folder.filePath(name); }
  QString Write(const QString& name, const QByteArray& bytes) const { return Write_File(Path(name), bytes); }

  QTemporaryDir settings;
  QTemporaryDir folder;
  ScriptedPrompts prompts;
  std::unique_ptr<CMainFrame> frame;  // destroyed first
};

}  // namespace kx::testing
