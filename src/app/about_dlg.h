#pragma once

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace kx {

// "About Kestrix": the application icon, the version line and "OK".
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 private:
  QLabel m_staticIcon;
  QLabel m_staticVersion;
  QPushButton m_btnOk;
};

// The application's icon, drawn rather than loaded so the program needs no
// resource files.
QIcon Application_Icon();

}  // namespace kx
