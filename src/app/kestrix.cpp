// kestrix: the editor in which scripts are written, built and fixed.
#include <QApplication>

#include "app/kestrix_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  kx::CKestrixApp app;
  if (!app.InitInstance(QCoreApplication::arguments())) return 1;
  return QApplication::exec();
}
