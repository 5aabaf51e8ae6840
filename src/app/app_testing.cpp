#include "app/app_testing.h"

#include <QFile>
#include <QSettings>

#include "app/program_files.h"

namespace kx::testing {

ScriptedPrompts::ScriptedPrompts() {
  Prompts& current = prompts();
  current.message = [this](QWidget*, QMessageBox::Icon icon, const QString& text,
                           QMessageBox::StandardButtons buttons) {
    messages.append({icon, text, buttons});
    return answer;
  };
  current.save_path = [this](QWidget*, const QString& suggestion) {
    save_suggestions << suggestion;
    return save_answer;
  };
  current.open_path = [this](QWidget*) { return open_answer; };
}

ScriptedPrompts::~ScriptedPrompts() { prompts() = Standard_Prompts(); }

QStringList ScriptedPrompts::message_texts() const {
  QStringList texts;
  for (const Message& message : messages) texts << message.text;
  return texts;
}

CompanionFolder::CompanionFolder() { Set_Program_Directory(m_dir.path()); }

CompanionFolder::~CompanionFolder() { Set_Program_Directory(QString()); }

QString CompanionFolder::Write(const QString& name, const QByteArray& bytes) const {
  const QString path = Path(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
  return path;
}

PrivateSettings::PrivateSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

QByteArray Read_File(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Template_Entry(const QByteArray& name) {
  return "  template entry \"" + name +
         "\" {\n"
         "    dll blank \"blank.dll\";\n"
         "    max routine count 8;\n"
         "    max object count 16;\n"
         "    step data array offset 0x100, rows 64;\n"
         "    routine count offset 0x380;\n"
         "    position array offset 0x400, rows 8;\n"
         "    name array offset 0x500, rows 8, cols 32;\n"
         "    routine speed array offset 0x600;\n"
         "    integer array offset 0x640, rows 8;\n"
         "    routine priority array offset 0x680;\n"
         "    routine offset array offset 0x6a0;\n"
         "    objective array offset 0x700, rows 4, cols 64;\n"
         "    routine debug array offset 0x800;\n"
         "  }\n";
}

QByteArray Template_List(const QList<QByteArray>& names) {
  QByteArray text = "template list {\n";
  for (const QByteArray& name : names) text += Template_Entry(name);
  return text + "}\n";
}

}  // namespace kx::testing
