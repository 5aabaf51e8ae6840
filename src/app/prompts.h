#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace kx {

// Every question the application puts to the user goes through these
// functions, so that tests can answer them without a modal window.
struct Prompts {
  // A message box with the application title "Kestrix" as its caption;
  // returns the button pressed.
  std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons)>
      message;
  // The file to open; empty when the user cancels.
  std::function<QString(QWidget* parent)> open_path;
  // The file to save as, proposing `suggestion`; empty when the user cancels.
  std::function<QString(QWidget* parent, const QString& suggestion)> save_path;
  // A line number from 1 to `last`, proposing `current`; 0 when the user cancels.
  std::function<int(QWidget* parent, int current, int last)> line_number;
  // Which of the template entries `names` a DLL was built for, proposing the
  // first; -1 when the user cancels.
  std::function<int(QWidget* parent, const QStringList& names)> template_entry;
};

// The prompts in use; at start they show the real dialogs.
Prompts& Current_Prompts();
// The real dialogs.
Prompts Standard_Prompts();

// Shorthand for Current_Prompts().message.
QMessageBox::StandardButton Message_Box(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

}  // namespace kx
