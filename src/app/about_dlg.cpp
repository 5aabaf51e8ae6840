#include "app/about_dlg.h"

#include <QPainter>
#include <QPixmap>

#include "app/dialog_units.h"

namespace kx {

QIcon Application_Icon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(size * 3 / 4);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "K");
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent), m_staticIcon(this), m_staticVersion(this), m_btnOk("OK", this) {
  setWindowTitle("About Kestrix");
  const DialogUnits units(font());
  setFixedSize(units.X(186), units.Y(129));

  m_staticIcon.setPixmap(Application_Icon().pixmap(32, 32));
  m_staticIcon.move(units.X(11), units.Y(17));
  m_staticIcon.resize(32, 32);
  // Plain text: ampersands are shown as they are.
  m_staticVersion.setTextFormat(Qt::PlainText);
  m_staticVersion.setText("Kestrix Version 1.1");
  units.Place(m_staticVersion, 41, 13, 101, 8);
  units.Place(m_btnOk, 145, 7, 32, 14);
  m_btnOk.setDefault(true);
  connect(&m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kx
