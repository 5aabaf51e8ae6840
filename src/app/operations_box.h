#pragma once

#include <QComboBox>

namespace kx {

// The Operations box of the operations bar. A choice in its list, or a move
// with the arrow keys, is reported by QComboBox::activated; closing the list
// without a choice (Escape, a click outside it) is reported by
// Selection_Cancelled, once the list has closed.
class COperationsBox : public QComboBox {
  Q_OBJECT

 public:
  explicit COperationsBox(QWidget* parent = nullptr);

  void showPopup() override;
  void hidePopup() override;

 signals:
  void Selection_Cancelled();

 private:
  bool m_bPopupOpen = false;
  bool m_bChosen = false;
};

}  // namespace kx
