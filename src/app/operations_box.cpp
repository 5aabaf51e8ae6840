#include "app/operations_box.h"

namespace kx {

COperationsBox::COperationsBox(QWidget* parent) : QComboBox(parent) {
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

}  // namespace kx
