#pragma once

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "app/prompts.h"

namespace kx::testing {

// Answers every prompt without a window and records what was asked; the
// real prompts come back when it goes out of scope.
class ScriptedPrompts {
 public:
  struct Message {
    QMessageBox::Icon icon;
    QString text;
    QMessageBox::StandardButtons buttons;
  };

  ScriptedPrompts();
  ~ScriptedPrompts();
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  QList<Message> messages;
  QStringList message_texts() const;
  QMessageBox::StandardButton answer = QMessageBox::Ok;  // the button every message box returns

  QString save_answer;  // the Save As choice; empty cancels
  QStringList save_suggestions;
  QString open_answer;  // the Open choice; empty cancels
};

// A temporary companion folder (Kestrix.conf, the template DLL, operations.htm)
// that the application uses while the object lives.
class CompanionFolder {
 public:
  CompanionFolder();
  ~CompanionFolder();
  CompanionFolder(const CompanionFolder&) = delete;
  CompanionFolder& operator=(const CompanionFolder&) = delete;

  QString Path(const QString& name) const { return m_dir.filePath(name); }
  // Writes `bytes` to `name` in the folder; returns the path.
  QString Write(const QString& name, const QByteArray& bytes) const;

 private:
  QTemporaryDir m_dir;
};

// Keeps the settings of this test program in a folder of its own for as
// long as it lives, so test programs running side by side never share them.
class PrivateSettings {
 public:
  PrivateSettings();

 private:
  QTemporaryDir m_dir;
};

// The whole content of a file; empty when it cannot be read.
QByteArray Read_File(const QString& path);

// A configuration entry for a small template DLL "blank.dll" of kBlankSize
// bytes, with room for 8 routines and 64 steps.
QByteArray Template_Entry(const QByteArray& name);
inline constexpr int kBlankSize = 0x900;
// "template list {" the entries "}".
QByteArray Template_List(const QList<QByteArray>& names);

}  // namespace kx::testing
