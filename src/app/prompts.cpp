#include "app/prompts.h"

#include <QFileDialog>
#include <QInputDialog>

namespace kx {
namespace {

// The file dialogs' filter: Kestrix scripts, then every file.
constexpr char kScriptFilter[] = "Kestrix Script Files (*.kxs);;All Files (*)";
// Open also reads a built DLL back into a script.
constexpr char kOpenFilter[] = "Kestrix Script Files (*.kxs);;Built Scripts (*.dll);;All Files (*)";

}  // namespace

Prompts Standard_Prompts() {
  Prompts standard;
  standard.message = [](QWidget* parent, QMessageBox::Icon icon, const QString& text,
                        QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, "Kestrix", text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  standard.open_path = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, "Open", QString(), kOpenFilter);
  };
  standard.save_path = [](QWidget* parent, const QString& suggestion) {
    QFileDialog dialog(parent, "Save As", suggestion, kScriptFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("kxs");
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  standard.line_number = [](QWidget* parent, int current, int last) {
    bool ok = false;
    const int line = QInputDialog::getInt(parent, "Go to Line", QString("Line number (1 - %1):").arg(last),
                                          current, 1, last, 1, &ok);
    return ok ? line : 0;
  };
  standard.template_entry = [](QWidget* parent, const QStringList& names) {
    bool ok = false;
    const QString name =
        QInputDialog::getItem(parent, "Open", "Template entry the DLL was built for:", names, 0, false, &ok);
    return ok ? static_cast<int>(names.indexOf(name)) : -1;
  };
  return standard;
}

Prompts& Current_Prompts() {
  static Prompts current = Standard_Prompts();
  return current;
}

QMessageBox::StandardButton Message_Box(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons) {
  return Current_Prompts().message(parent, icon, text, buttons);
}

}  // namespace kx
