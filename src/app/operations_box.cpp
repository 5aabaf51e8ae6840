#include "app/operations_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace kx {

COperationsBox::COperationsBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  lineEdit()->installEventFilter(this);
  connect(this, &QComboBox::activated, this, [this] { m_bChosen = true; });
}

void COperationsBox::showPopup() {
  m_bPopupOpen = true;
  m_bChosen = false;
  QComboBox::showPopup();
}

void COperationsBox::hidePopup() {
  QComboBox::hidePopup();
  if (!m_bPopupOpen) return;
  m_bPopupOpen = false;
  // A choice is reported (activated) only after the list has closed, so the
  // verdict waits for the event loop.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!m_bChosen) emit Selection_Cancelled();
      },
      Qt::QueuedConnection);
}

bool COperationsBox::eventFilter(QObject* watched, QEvent* event) {
  // The box's own handling of Enter acts only when the text changed since
  // the last choice; the field's Enter is taken here instead.
  if (watched == lineEdit() && event->type() == QEvent::KeyPress && !m_bPopupOpen) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      emit Name_Entered(lineEdit()->text());
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

void COperationsBox::wheelEvent(QWheelEvent* event) {
  // A wheel turned over the bar while the user scrolls elsewhere chooses nothing.
  if (!hasFocus()) {
    event->ignore();
    return;
  }
  QComboBox::wheelEvent(event);
}

}  // namespace kx
